# The Windows package. `cmake --install` lays out a folder a user can run:
# tessaly.exe with the Qt DLLs and plugins it loads, the mingw-w64 run-time
# DLLs, the pages (html/) and Qt's translations; CPack makes a zip of that
# folder and an NSIS installer (Start-menu shortcut, uninstaller, per-user or
# per-machine install):
#
#   cmake --build <dir> --target package
#
# The package carries our web runtime (libwke.dll over QtWebKit) when QtWebKit
# for Windows was there; the third-party runtime library (miniblink_4975_x32.dll)
# is not part of it, and takes precedence when placed beside tessaly.exe. Included by the top-level
# CMakeLists.txt for Windows builds, after the tessaly target exists.

if(CMAKE_SIZEOF_VOID_P EQUAL 8)
    set(TESSALY_WINDOWS_ARCH x86_64)
else()
    set(TESSALY_WINDOWS_ARCH i686)
endif()

# The DLL (or plugin) behind an imported Qt target; Qt for Windows is a release build.
function(tessaly_qt_runtime_file target out)
    foreach(property IMPORTED_LOCATION_RELEASE IMPORTED_LOCATION)
        get_target_property(location ${target} ${property})
        if(location)
            set(${out} ${location} PARENT_SCOPE)
            return()
        endif()
    endforeach()
    message(FATAL_ERROR "No run-time file for ${target}")
endfunction()

foreach(module Core Gui Widgets Network)
    tessaly_qt_runtime_file(Qt5::${module} dll)
    install(FILES ${dll} DESTINATION .)
endforeach()

# Plugins Qt looks for beside the program: the Windows platform (without it no
# window opens), the native widget style, and GIF and JPEG images (the sign-in
# dialog's scan animation is a GIF).
foreach(plugin
        QWindowsIntegrationPlugin:platforms
        QWindowsVistaStylePlugin:styles
        QGifPlugin:imageformats
        QJpegPlugin:imageformats)
    string(REPLACE ":" ";" parts ${plugin})
    list(GET parts 0 target)
    list(GET parts 1 folder)
    if(TARGET Qt5::${target})
        tessaly_qt_runtime_file(Qt5::${target} dll)
        install(FILES ${dll} DESTINATION ${folder})
    elseif(target STREQUAL "QWindowsIntegrationPlugin")
        message(FATAL_ERROR "This Qt has no Windows platform plugin")
    endif()
endforeach()

# The compiler's own run-time DLLs, which the Qt DLLs and the program need;
# the compiler says where they are.
set(tessaly_mingw_dlls libstdc++-6.dll libwinpthread-1.dll)
if(TESSALY_WINDOWS_ARCH STREQUAL "x86_64")
    list(APPEND tessaly_mingw_dlls libgcc_s_seh-1.dll)
else()
    list(APPEND tessaly_mingw_dlls libgcc_s_dw2-1.dll)
endif()
foreach(dll ${tessaly_mingw_dlls})
    execute_process(COMMAND ${CMAKE_CXX_COMPILER} -print-file-name=${dll}
        OUTPUT_VARIABLE path OUTPUT_STRIP_TRAILING_WHITESPACE)
    if(NOT IS_ABSOLUTE "${path}" OR NOT EXISTS "${path}")
        message(FATAL_ERROR "${CMAKE_CXX_COMPILER} does not know where ${dll} is")
    endif()
    get_filename_component(path ${path} REALPATH)
    install(FILES ${path} DESTINATION .)
endforeach()

# Qt's own Chinese texts (message-box buttons, dialogs) for the "translations"
# folder the program loads qt_zh_CN.qm from; the catalogue pulls in the four
# module catalogues beside it, so all five go there. They are the same files on
# every platform; Debian's qttranslations5-l10n has them.
foreach(catalogue qt qtbase qtscript qtmultimedia qtxmlpatterns)
    find_file(TESSALY_QM_${catalogue} ${catalogue}_zh_CN.qm
        PATHS /usr/share/qt5/translations NO_DEFAULT_PATH NO_CMAKE_FIND_ROOT_PATH)
    if(NOT TESSALY_QM_${catalogue})
        message(FATAL_ERROR "${catalogue}_zh_CN.qm not found (Debian package qttranslations5-l10n)")
    endif()
    install(FILES ${TESSALY_QM_${catalogue}} DESTINATION translations)
endforeach()

# Our web runtime (libwke.dll, installed with the program) and what it needs:
# QtWebKit and the libraries it was built with (ICU, libxml2, SQLite), Qt's
# PrintSupport, and their licence texts.
if(TARGET wke)
    # QtWebKit prints through Qt's PrintSupport, whatever the pages do.
    find_package(Qt5 5.14 REQUIRED COMPONENTS PrintSupport)
    foreach(target Qt5::WebKit Qt5::WebKitWidgets Qt5::PrintSupport)
        tessaly_qt_runtime_file(${target} dll)
        install(FILES ${dll} DESTINATION .)
    endforeach()
    tessaly_qt_runtime_file(Qt5::WebKit dll)
    get_filename_component(tessaly_qtwebkit_bin ${dll} DIRECTORY)
    file(GLOB tessaly_qtwebkit_libraries
        ${tessaly_qtwebkit_bin}/icuuc*.dll ${tessaly_qtwebkit_bin}/icuin*.dll
        ${tessaly_qtwebkit_bin}/libxml2.dll ${tessaly_qtwebkit_bin}/libsqlite3-0.dll)
    # ICU's data as scripts/trim-icu-data cut it down, or the whole of it.
    set(TESSALY_ICU_DATA_DLL "" CACHE FILEPATH "ICU's data library to package instead of QtWebKit's")
    if(TESSALY_ICU_DATA_DLL)
        list(APPEND tessaly_qtwebkit_libraries ${TESSALY_ICU_DATA_DLL})
    else()
        file(GLOB tessaly_icu_data ${tessaly_qtwebkit_bin}/icudt*.dll)
        list(APPEND tessaly_qtwebkit_libraries ${tessaly_icu_data})
    endif()
    install(FILES ${tessaly_qtwebkit_libraries} DESTINATION .)
    install(DIRECTORY ${tessaly_qtwebkit_bin}/../share/licenses/ DESTINATION licenses)
endif()

# Which runtime the program uses, for whoever unpacks the zip.
if(TARGET wke)
    install(FILES ${CMAKE_CURRENT_LIST_DIR}/windows-runtime.txt DESTINATION . RENAME RUNTIME.txt)
    set(CPACK_TESSALY_OWN_RUNTIME ON)
else()
    install(FILES ${CMAKE_CURRENT_LIST_DIR}/windows-runtime-thirdparty.txt DESTINATION .
        RENAME RUNTIME.txt)
    set(CPACK_TESSALY_OWN_RUNTIME OFF)
endif()

set(CPACK_PACKAGE_NAME "Tessaly")
set(CPACK_PACKAGE_VENDOR "${TESSALY_VENDOR}")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY
    "Finds the graphics adapters and downloads the matching driver installers")
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_INSTALL_DIRECTORY "Tessaly")
set(CPACK_PACKAGE_FILE_NAME "tessaly-${PROJECT_VERSION}-windows-${TESSALY_WINDOWS_ARCH}")
set(CPACK_GENERATOR ZIP NSIS)
set(CPACK_NSIS_PACKAGE_NAME "Tessaly")
set(CPACK_TESSALY_ICON ${PROJECT_SOURCE_DIR}/src/resources/icon/tessaly.ico)
set(CPACK_NSIS_COMPRESSOR "/SOLID lzma")
# Our own installer script (cmake/nsis/NSIS.template.in): per-user or
# per-machine install, and a 64-bit installer for the 64-bit program, which
# then runs where 32-bit programs cannot.
set(CPACK_MODULE_PATH ${CMAKE_CURRENT_LIST_DIR}/nsis)
if(TESSALY_WINDOWS_ARCH STREQUAL "x86_64")
    set(CPACK_TESSALY_NSIS_TARGET "amd64-unicode")
    set(CPACK_TESSALY_NSIS_PROGRAMFILES64 ON)
else()
    set(CPACK_TESSALY_NSIS_TARGET "x86-unicode")
    set(CPACK_TESSALY_NSIS_PROGRAMFILES64 OFF)
endif()
set(CPACK_TESSALY_RUNTIME_DLL "miniblink_4975_x32.dll")

include(CPack)

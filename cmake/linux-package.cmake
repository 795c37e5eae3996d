# The Linux install, in the folders a desktop looks in (GNUInstallDirs):
#   lib/tessaly/        the program, libwke.so and html/; the program finds its
#                       runtime and pages beside itself, as in the build tree
#   bin/tessaly         the command: a relative link to the program
#   share/applications/tessaly.desktop, share/icons/hicolor/*/apps/tessaly.*,
#   share/metainfo/<AppStream id>.metainfo.xml
# all in the install component "program", and CPack's Debian package of it
# (tessaly_<version>_<arch>.deb; tessaly-service is not in it).

set(TESSALY_INSTALL_PROGRAMDIR "lib/tessaly" CACHE STRING
    "Folder under the prefix for the program, its web runtime and its pages")
set(TESSALY_APPSTREAM_ID com.aldmere.tessaly)
foreach(dir TESSALY_INSTALL_PROGRAMDIR CMAKE_INSTALL_BINDIR)
    if(IS_ABSOLUTE "${${dir}}")
        message(FATAL_ERROR "${dir} must be relative to the prefix: the command links to the "
            "program relatively, so the install can move")
    endif()
endforeach()

install(TARGETS tessaly wke
    RUNTIME DESTINATION ${TESSALY_INSTALL_PROGRAMDIR} COMPONENT program
    LIBRARY DESTINATION ${TESSALY_INSTALL_PROGRAMDIR} COMPONENT program)
install(DIRECTORY ${CMAKE_SOURCE_DIR}/html/ DESTINATION ${TESSALY_INSTALL_PROGRAMDIR}/html
    COMPONENT program)

# The program reads its folder from /proc/self/exe, which names the link's target.
set(linux_dir ${CMAKE_BINARY_DIR}/linux)
file(RELATIVE_PATH launcher_target /prefix/${CMAKE_INSTALL_BINDIR}
    /prefix/${TESSALY_INSTALL_PROGRAMDIR}/tessaly)
file(MAKE_DIRECTORY ${linux_dir})
file(CREATE_LINK ${launcher_target} ${linux_dir}/tessaly SYMBOLIC)
install(PROGRAMS ${linux_dir}/tessaly DESTINATION ${CMAKE_INSTALL_BINDIR} COMPONENT program)

# Exec names the command under the prefix given at install time.
install(CODE "
    set(TESSALY_DESKTOP_EXEC \"\${CMAKE_INSTALL_PREFIX}/${CMAKE_INSTALL_BINDIR}/tessaly\")
    configure_file(\"${CMAKE_CURRENT_LIST_DIR}/linux/tessaly.desktop.in\"
        \"${linux_dir}/${TESSALY_DESKTOP_ID}.desktop\" @ONLY)
    file(INSTALL \"${linux_dir}/${TESSALY_DESKTOP_ID}.desktop\"
        DESTINATION \"\${CMAKE_INSTALL_PREFIX}/${CMAKE_INSTALL_DATADIR}/applications\")
    " COMPONENT program)
foreach(size 16 24 32 48 64 128 256)
    install(FILES ${PROJECT_SOURCE_DIR}/src/resources/icon/tessaly-${size}.png
        DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/${size}x${size}/apps
        RENAME tessaly.png COMPONENT program)
endforeach()
install(FILES ${PROJECT_SOURCE_DIR}/src/resources/icon/tessaly.svg
    DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps COMPONENT program)
configure_file(${CMAKE_CURRENT_LIST_DIR}/linux/tessaly.metainfo.xml.in
    ${linux_dir}/${TESSALY_APPSTREAM_ID}.metainfo.xml @ONLY)
install(FILES ${linux_dir}/${TESSALY_APPSTREAM_ID}.metainfo.xml
    DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo COMPONENT program)
# Every Debian package says who holds the rights to what it installs.
install(FILES ${CMAKE_CURRENT_LIST_DIR}/linux/copyright
    DESTINATION ${CMAKE_INSTALL_DATADIR}/doc/tessaly COMPONENT program)

set(CPACK_PACKAGE_NAME tessaly)
set(CPACK_PACKAGE_VENDOR "${TESSALY_VENDOR}")
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY
    "Finds the graphics adapters and downloads the matching driver installers")
set(CPACK_PACKAGE_DESCRIPTION "Tessaly finds the graphics adapters of the computer, shows them \
with an inventory of the machine's hardware, and downloads the matching driver installer from \
the vendor into a save folder.")
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_INSTALL_CMAKE_PROJECTS "${CMAKE_BINARY_DIR};Tessaly;program;/")
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_MAINTAINER "Aldmere <tessaly@aldmere.example>")
set(CPACK_DEBIAN_PACKAGE_SECTION utils)
# The libraries the program and libwke.so link come from dpkg-shlibdeps; the
# files it reads or runs are named here by their Debian packages: the PCI id
# list, the roots vendors' downloads chain to, the signature reader, the
# Chinese fonts of the pages, Qt's own Chinese texts and the opener of the
# save folder.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS "pci.ids, ca-certificates")
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS
    "osslsigncode, fonts-wqy-microhei | fonts-noto-cjk, qttranslations5-l10n, xdg-utils")
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
include(CPack)

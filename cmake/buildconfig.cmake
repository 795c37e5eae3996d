# The build settings, written into two generated headers under
# ${TESSALY_GENERATED_DIR}/base: version.h (the project version) and
# buildconfig.h (everything below). configure_file rewrites a header only when
# its text changes, so changing a setting rebuilds only the files that include it.

# Service addresses: none by default, so a build nobody configured talks to no
# service at all; the environment variables TESSALY_SERVICE_URL and
# TESSALY_STATISTICS_URL point any build at one at run time.
set(TESSALY_SERVICE_HOST "" CACHE STRING "Host of the JSON web service (empty: no service)")
set(TESSALY_STATISTICS_URL "" CACHE STRING "Statistics endpoint base (empty: no pings)")
set(TESSALY_CHAT_URL "" CACHE STRING "Customer-service chat page (empty: none built in)")
set(TESSALY_TUTORIAL_URL "" CACHE STRING
    "Tutorial page when the service names none (empty: none built in)")
# Build folders configured before keep the placeholders that used to be the
# defaults; they name hosts that never resolve, so they go.
foreach(placeholder "TESSALY_SERVICE_HOST=api.tessaly.example"
        "TESSALY_STATISTICS_URL=https://stats.tessaly.example"
        "TESSALY_CHAT_URL=https://chat.tessaly.example/"
        "TESSALY_TUTORIAL_URL=https://www.tessaly.example/tutorial")
    string(REPLACE "=" ";" pair "${placeholder}")
    list(GET pair 0 setting)
    list(GET pair 1 old)
    if("${${setting}}" STREQUAL "${old}")
        message(STATUS "${setting}: the old placeholder ${old} is dropped (empty now)")
        set_property(CACHE ${setting} PROPERTY VALUE "")
    endif()
endforeach()

# A download that receives nothing for this long ends as stalled.
set(TESSALY_DOWNLOAD_STALL_SECONDS 60 CACHE STRING "Seconds without data before a download fails")
# Part files of unfinished downloads kept in a save folder, oldest dropped first.
set(TESSALY_PART_FILES_MAX_MIB 2048 CACHE STRING "MiB of part files kept for resuming")
# A publisher check that takes longer ends as "not checked".
set(TESSALY_PUBLISHER_CHECK_SECONDS 120 CACHE STRING "Seconds a publisher check may take")

# Docks tie the progress signal to the program through the name of its desktop
# file: the file is installed under this name and the program announces it.
set(TESSALY_DESKTOP_ID tessaly)

foreach(setting TESSALY_DOWNLOAD_STALL_SECONDS TESSALY_PART_FILES_MAX_MIB
        TESSALY_PUBLISHER_CHECK_SECONDS)
    string(LENGTH "${${setting}}" digits)
    if(NOT "${${setting}}" MATCHES "^[1-9][0-9]*$" OR digits GREATER 7)
        message(FATAL_ERROR "${setting} must be a whole number from 1 to 9999999, not '${${setting}}'")
    endif()
endforeach()

# The texts as C string literals, whatever quotes or backslashes they hold.
foreach(setting TESSALY_SERVICE_HOST TESSALY_STATISTICS_URL TESSALY_CHAT_URL
        TESSALY_TUTORIAL_URL TESSALY_DESKTOP_ID)
    string(REPLACE "\\" "\\\\" literal "${${setting}}")
    string(REPLACE "\"" "\\\"" literal "${literal}")
    set(${setting}_LITERAL "\"${literal}\"")
endforeach()

set(TESSALY_GENERATED_DIR ${CMAKE_BINARY_DIR}/generated)
configure_file(${CMAKE_SOURCE_DIR}/src/base/buildconfig.h.in
    ${TESSALY_GENERATED_DIR}/base/buildconfig.h @ONLY)
configure_file(${CMAKE_SOURCE_DIR}/src/base/version.h.in ${TESSALY_GENERATED_DIR}/base/version.h @ONLY)

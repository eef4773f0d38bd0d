# Parses every given Objective-C++ file with clang (-fsyntax-only) and fails if any does not parse
# cleanly. Arguments: CLANGXX, FLAGS_FILE (a clang response file), SOURCES (a list of .mm files).
if(NOT CLANGXX OR NOT EXISTS "${CLANGXX}")
    message(FATAL_ERROR "clang++ was not found; scripts/install-dependencies.sh installs it (package clang)")
endif()
if(NOT SOURCES)
    message(FATAL_ERROR "no .mm files to check")
endif()

set(failed "")
foreach(source IN LISTS SOURCES)
    execute_process(
        COMMAND "${CLANGXX}" -x objective-c++ -std=c++20 -fsyntax-only
                -fobjc-arc -fblocks -fobjc-runtime=macosx-13.0 -fPIC
                -Wall -Wextra -Wshorten-64-to-32 -Wnullable-to-nonnull-conversion -Werror
                -Wno-unused-command-line-argument
                "@${FLAGS_FILE}" "${source}"
        RESULT_VARIABLE result
        OUTPUT_VARIABLE output
        ERROR_VARIABLE output)
    get_filename_component(name "${source}" NAME)
    if(result EQUAL 0)
        message(STATUS "ok      ${name}")
    else()
        message(STATUS "FAILED  ${name}\n${output}")
        list(APPEND failed "${name}")
    endif()
endforeach()

if(failed)
    message(FATAL_ERROR "Objective-C++ that does not parse: ${failed}")
endif()

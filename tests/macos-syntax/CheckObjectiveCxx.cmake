# Parses every given Objective-C++ file with clang (-fsyntax-only) and fails if any does not parse
# cleanly; with MODE=analyze runs clang's static analyzer with the macOS checkers (reference counts
# of CoreFoundation objects, nil arguments to collections, dispatch and keychain API use) instead and
# fails on any finding. Arguments: CLANGXX, FLAGS_FILE (a clang response file), SOURCES (a list of
# .mm files), MODE (syntax or analyze).
if(NOT CLANGXX OR NOT EXISTS "${CLANGXX}")
    message(FATAL_ERROR "clang++ was not found; scripts/install-dependencies.sh installs it (package clang)")
endif()
if(NOT SOURCES)
    message(FATAL_ERROR "no .mm files to check")
endif()

if(MODE STREQUAL "analyze")
    # Qt's connect() hands its slot object to the connection, which the leak checker cannot follow.
    set(mode_flags --analyze -Xanalyzer -analyzer-checker=osx -Xanalyzer -analyzer-output=text
        -Xanalyzer -analyzer-disable-checker=cplusplus.NewDeleteLeaks -o /dev/null)
else()
    set(mode_flags -fsyntax-only)
endif()

set(failed "")
foreach(source IN LISTS SOURCES)
    execute_process(
        COMMAND "${CLANGXX}" -x objective-c++ -std=c++20 ${mode_flags}
                -fobjc-arc -fblocks -fobjc-runtime=macosx-13.0 -fPIC
                -Wall -Wextra -Wshorten-64-to-32 -Wnullable-to-nonnull-conversion -Werror
                -Wno-unused-command-line-argument
                "@${FLAGS_FILE}" "${source}"
        RESULT_VARIABLE result
        OUTPUT_VARIABLE output
        ERROR_VARIABLE output)
    get_filename_component(name "${source}" NAME)
    if(result EQUAL 0 AND NOT output MATCHES "warning:")
        message(STATUS "ok      ${name}")
    else()
        message(STATUS "FAILED  ${name}\n${output}")
        list(APPEND failed "${name}")
    endif()
endforeach()

if(failed)
    message(FATAL_ERROR "Objective-C++ that does not pass (${MODE}): ${failed}")
endif()

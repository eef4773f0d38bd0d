# macOS: the app is Molvena.app, a bundle with its Info.plist, its icon and (after the deploy
# target) Qt inside. The QML module is compiled into the executable's resources. Included from
# src/app/CMakeLists.txt on Apple only.

include(${CMAKE_CURRENT_SOURCE_DIR}/macos/BundleInfo.cmake)

# The icon is painted (src/app/AppIconPainter.cpp) at every size iconutil wants.
set(molvena_iconset ${CMAKE_CURRENT_BINARY_DIR}/Molvena.iconset)
set(molvena_icns ${CMAKE_CURRENT_BINARY_DIR}/Molvena.icns)
add_custom_command(
    OUTPUT ${molvena_icns}
    COMMAND ${CMAKE_COMMAND} -E rm -rf ${molvena_iconset}
    COMMAND molvena_app_icon_painter ${molvena_iconset}
    COMMAND iconutil --convert icns --output ${molvena_icns} ${molvena_iconset}
    DEPENDS molvena_app_icon_painter
    COMMENT "Painting the application icon")
target_sources(molvena PRIVATE ${molvena_icns})
set_source_files_properties(${molvena_icns} PROPERTIES MACOSX_PACKAGE_LOCATION Resources)

set_target_properties(molvena PROPERTIES
    MACOSX_BUNDLE TRUE
    OUTPUT_NAME Molvena
    MACOSX_BUNDLE_INFO_PLIST ${molvena_bundle_info_plist}
    ${molvena_bundle_properties}
    XCODE_ATTRIBUTE_PRODUCT_BUNDLE_IDENTIFIER ${molvena_bundle_identifier})

# `cmake --build build --target molvena_deploy` copies Qt's frameworks, plugins and the QML modules
# the screens import into the bundle, so it runs on a Mac without Qt installed. With a signing
# identity it also signs everything for notarisation: the hardened runtime, a secure timestamp, and
# the app itself with its entitlements. Without one it signs ad hoc: macdeployqt rewrites install
# names, which breaks the linker's signatures, and Apple silicon kills unsigned code. The QML import
# path lets macdeployqt's scanner resolve the app's own module (built into the executable) and
# follow its imports to Qt's.
set(MOLVENA_SIGNING_IDENTITY "" CACHE STRING
    "Developer ID Application identity that signs Molvena.app in molvena_deploy (empty: unsigned)")
find_program(MOLVENA_MACDEPLOYQT macdeployqt HINTS "${QT6_INSTALL_PREFIX}/${QT6_INSTALL_BINS}")
if(MOLVENA_MACDEPLOYQT)
    set(molvena_bundle $<TARGET_BUNDLE_DIR:molvena>)
    set(molvena_deploy_commands
        COMMAND ${MOLVENA_MACDEPLOYQT} ${molvena_bundle} -qmldir=${PROJECT_SOURCE_DIR}/src/ui
                -qmlimport=${CMAKE_BINARY_DIR} -verbose=1)
    if(NOT MOLVENA_SIGNING_IDENTITY)
        list(APPEND molvena_deploy_commands
            COMMAND codesign --force --deep --sign - ${molvena_bundle}
            COMMAND codesign --verify --deep --strict --verbose=2 ${molvena_bundle})
    else()
        list(APPEND molvena_deploy_commands
            -sign-for-notarization=${MOLVENA_SIGNING_IDENTITY}
            COMMAND codesign --force --timestamp --options runtime
                    --entitlements ${molvena_bundle_entitlements}
                    --sign ${MOLVENA_SIGNING_IDENTITY} ${molvena_bundle}
            COMMAND codesign --verify --strict --verbose=2 ${molvena_bundle})
    endif()
    add_custom_target(molvena_deploy ${molvena_deploy_commands}
        DEPENDS molvena
        VERBATIM
        COMMENT "Bringing Qt into Molvena.app")
endif()

# What Molvena.app's Info.plist says about the app, as the bundle's target properties. Bundle.cmake
# gives them to the app on a Mac; tests/macos-syntax writes the same Info.plist on Linux and lints it.
# CFBundleVersion is the full version: a build number of "0" reads as no build at all.
set(molvena_bundle_identifier "dk.molvena.mac")
set(molvena_bundle_info_plist ${CMAKE_CURRENT_LIST_DIR}/Info.plist.in)
set(molvena_bundle_entitlements ${CMAKE_CURRENT_LIST_DIR}/Molvena.entitlements)
set(molvena_bundle_properties
    MACOSX_BUNDLE_BUNDLE_NAME Molvena
    MACOSX_BUNDLE_EXECUTABLE_NAME Molvena
    MACOSX_BUNDLE_GUI_IDENTIFIER ${molvena_bundle_identifier}
    MACOSX_BUNDLE_SHORT_VERSION_STRING ${PROJECT_VERSION}
    MACOSX_BUNDLE_BUNDLE_VERSION ${PROJECT_VERSION}
    MACOSX_BUNDLE_ICON_FILE Molvena.icns
    MACOSX_BUNDLE_COPYRIGHT "Molvena")

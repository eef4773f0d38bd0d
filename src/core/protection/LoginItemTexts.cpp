#include "LoginItemTexts.h"

namespace molvena {

LoginItemTexts LoginItemTexts::mac() {
    return LoginItemTexts{
        .notRegistered = {QStringLiteral("Ikke aktiveret"),
                          QStringLiteral(
                              "Aktivér dette trin, så beskyttelsen kommer tilbage efter genstart.")},
        .enabled = {QStringLiteral("Aktiveret"), QStringLiteral("Molvena starter automatisk ved login.")},
        .requiresApproval = {QStringLiteral("Afventer din godkendelse"),
                             QStringLiteral("Godkend Molvena under Login-emner i Systemindstillinger.")},
        .notFound = {QStringLiteral("Kræver installation i Programmer"),
                     QStringLiteral("Flyt Molvena.app til /Applications, åbn den derfra og prøv igen.")},
        .unreadable = {QStringLiteral("Kunne ikke læse status"),
                       QStringLiteral("Prøv at genstarte Molvena.")},
        .approveButton = QStringLiteral("Åbn Systemindstillinger"),
        .enableButton = QStringLiteral("Aktivér automatisk start"),
        .installButton = QStringLiteral("Åbn Programmer"),
        .installHelp = {QStringLiteral("/Applications")},
        .settingsFallback =
            QStringLiteral("Åbn Systemindstillinger → Generelt → Login-emner, og slå Molvena til."),
        .installFallback =
            QStringLiteral("Flyt Molvena.app til /Applications i Finder, åbn den derfra og prøv igen."),
    };
}

LoginItemTexts LoginItemTexts::linuxDesktop(const QString& packagesFolder, const QString& readme) {
    LoginItemTexts texts = mac();
    texts.requiresApproval.detail = QStringLiteral(
        "Automatisk start af Molvena er slået fra i skrivebordets indstillinger. Slå Molvena til under "
        "programmer ved opstart.");
    texts.notFound = {QStringLiteral("Kræver installation"),
                      QStringLiteral("Molvena kører fra en byggemappe og kan ikke starte automatisk derfra. "
                                     "Installer pakken molvena med apt, åbn Molvena fra programmenuen, og "
                                     "prøv igen.")};
    texts.approveButton = QStringLiteral("Åbn indstillinger");
    texts.installButton = QStringLiteral("Vis installationen");
    texts.installHelp = {packagesFolder, readme};
    texts.settingsFallback = QStringLiteral(
        "Skrivebordet har ingen indstillinger, Molvena kan åbne. Slå Molvena til under programmer ved "
        "opstart, eller slet linjen Hidden=true (eller X-GNOME-Autostart-enabled=false) i "
        "~/.config/autostart/dk.molvena.mac.desktop.");
    texts.installFallback = QStringLiteral(
        "Byg pakkerne med scripts/package.sh, installer dem med sudo apt install ./build/packages/*.deb, "
        "og åbn Molvena fra programmenuen. README.md forklarer det under »Install on Debian/Ubuntu«.");
    return texts;
}

LoginItemTexts LoginItemTexts::forThisSystem() {
#ifdef Q_OS_MACOS
    return mac();
#else
    return linuxDesktop(QStringLiteral(MOLVENA_PACKAGES_FOLDER), QStringLiteral(MOLVENA_README));
#endif
}

} // namespace molvena

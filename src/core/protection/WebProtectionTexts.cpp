#include "WebProtectionTexts.h"

namespace molvena {

WebProtectionTexts WebProtectionTexts::forMethod(WebProtectionInstaller::Method method) {
    return method == WebProtectionInstaller::Method::systemResolver ? forLinux() : forMac();
}

WebProtectionTexts WebProtectionTexts::forMac() {
    return {
        .title = QStringLiteral("Installer Molvena-beskyttelsen"),
        .intro = QStringLiteral(
            "Beskyttelsesprofilen sørger for, at kendte gambling-sider bliver blokeret på denne Mac."),
        .confirmedText = QStringLiteral("Molvena har kontrolleret, at blokeringen er aktiv på denne Mac."),
        .step1Title = QStringLiteral("Hent beskyttelsesprofilen"),
        .step1Text = QStringLiteral("Molvena henter den personlige beskyttelsesprofil til denne Mac."),
        .step2Title = QStringLiteral("Installer i Systemindstillinger"),
        .step2Text =
            QStringLiteral("Åbn Generelt → Enhedsstyring, vælg ‘Molvena DNS’, og gennemfør installationen."),
        .step3Title = QStringLiteral("Kontrollér beskyttelsen"),
        .step3Text = QStringLiteral(
            "Når profilen er installeret, kontrollerer Molvena, at blokeringen faktisk virker."),
        .hint = QStringLiteral(
            "Hvis macOS siger, at Nedlukningstilstand forhindrer installationen, skal den midlertidigt slås "
            "fra "
            "under Anonymitet & sikkerhed. Genstart Mac'en, installer profilen, og slå derefter "
            "Nedlukningstilstand til igen, hvis du ønsker det."),
        .startLabel = QStringLiteral("Hent beskyttelsesprofil"),
        .startBusyLabel = QStringLiteral("Henter…"),
        .confirmLabel = QStringLiteral("Jeg har installeret · Kontrollér"),
        .startFailed = QStringLiteral(
            "Kunne ikke hente beskyttelsesprofilen. Kontrollér internetforbindelsen og prøv igen."),
        .started = QStringLiteral(
            "Download af profilen er startet i din browser. Åbn .mobileconfig-filen, "
            "gennemfør installationen i Systemindstillinger, og vend derefter tilbage hertil."),
        .startedAgain =
            QStringLiteral("Download af en ny profil er startet i din browser. Åbn .mobileconfig-filen "
                           "og gennemfør installationen."),
        .notYetActive = QStringLiteral("Beskyttelsen er endnu ikke aktiv. Kontrollér, at ‘Molvena DNS’ er "
                                       "installeret i Enhedsstyring, og prøv igen."),
        .couldNotCheck = QStringLiteral("Molvena kunne ikke kontrollere beskyttelsen lige nu. Kontrollér "
                                        "internetforbindelsen og prøv igen om et øjeblik."),
    };
}

WebProtectionTexts WebProtectionTexts::forLinux() {
    return {
        .title = QStringLiteral("Installer webbeskyttelse"),
        .intro =
            QStringLiteral("Webbeskyttelsen lader denne computer slå navne op gennem Molvenas beskyttende "
                           "DNS, så kendte gambling-sider bliver blokeret i alle browsere og programmer."),
        .confirmedText =
            QStringLiteral("Molvena har kontrolleret, at blokeringen er aktiv på denne computer."),
        .step1Title = QStringLiteral("Godkend som administrator"),
        .step1Text = QStringLiteral("Computeren beder om en administrators adgangskode, før Molvena må ændre "
                                    "navneopslagene."),
        .step2Title = QStringLiteral("Computeren bruger Molvenas DNS"),
        .step2Text =
            QStringLiteral("Molvena peger systemd-resolved, NetworkManager eller /etc/resolv.conf mod "
                           "den beskyttende resolver og husker, hvad der stod før."),
        .step3Title = QStringLiteral("Kontrollér beskyttelsen"),
        .step3Text =
            QStringLiteral("Lige efter installationen kontrollerer Molvena, at blokeringen faktisk virker."),
        .hint =
            QStringLiteral("Webbeskyttelsen kan fjernes igen her i Molvena. Så sætter Molvena dine tidligere "
                           "DNS-indstillinger præcist tilbage, og dine støttepersoner får besked."),
        .startLabel = QStringLiteral("Installer webbeskyttelse"),
        .startBusyLabel = QStringLiteral("Installerer…"),
        .confirmLabel = QStringLiteral("Kontrollér igen"),
        .startFailed = installFailed(),
        .started = QStringLiteral("Webbeskyttelsen er installeret. Molvena kontrollerer nu, at den virker."),
        .startedAgain =
            QStringLiteral("Webbeskyttelsen er installeret igen. Molvena kontrollerer nu, at den virker."),
        .notYetActive =
            QStringLiteral("Webbeskyttelsen er installeret, men blokeringen virker endnu ikke. Vent et "
                           "øjeblik, og kontrollér igen."),
        .couldNotCheck = QStringLiteral("Molvena kunne ikke kontrollere beskyttelsen lige nu. Kontrollér "
                                        "internetforbindelsen og prøv igen om et øjeblik."),
    };
}

QVariantMap WebProtectionTexts::forDisplay() const {
    return {
        {QStringLiteral("title"), title},
        {QStringLiteral("intro"), intro},
        {QStringLiteral("confirmedText"), confirmedText},
        {QStringLiteral("step1Title"), step1Title},
        {QStringLiteral("step1Text"), step1Text},
        {QStringLiteral("step2Title"), step2Title},
        {QStringLiteral("step2Text"), step2Text},
        {QStringLiteral("step3Title"), step3Title},
        {QStringLiteral("step3Text"), step3Text},
        {QStringLiteral("hint"), hint},
        {QStringLiteral("startLabel"), startLabel},
        {QStringLiteral("startBusyLabel"), startBusyLabel},
        {QStringLiteral("confirmLabel"), confirmLabel},
        {QStringLiteral("removeLabel"), removeLabel()},
        {QStringLiteral("removeBusyLabel"), removeBusyLabel()},
    };
}

QString WebProtectionTexts::browserRefusedDetail() {
    return QStringLiteral("Profilen er hentet, men der blev ikke fundet en browser til at åbne den. Vælg en "
                          "standardbrowser, og prøv igen.");
}

QString WebProtectionTexts::browserRefusedMessage() {
    return QStringLiteral("Profilen er klar, men Molvena kunne ikke åbne den i en browser. Vælg en "
                          "standardbrowser, og hent filen igen.");
}

QString WebProtectionTexts::notApproved() {
    return QStringLiteral("Installationen blev ikke godkendt af en administrator. Intet er ændret.");
}

QString WebProtectionTexts::unsupportedSystem(const QString& helperSaid) {
    return QStringLiteral("Webbeskyttelsen kan ikke installeres sikkert på denne computer: ") + helperSaid;
}

QString WebProtectionTexts::installFailed() {
    return QStringLiteral("Webbeskyttelsen kunne ikke installeres. Prøv igen om et øjeblik.");
}

QString WebProtectionTexts::removeLabel() {
    return QStringLiteral("Fjern webbeskyttelse");
}

QString WebProtectionTexts::removeBusyLabel() {
    return QStringLiteral("Fjerner…");
}

QString WebProtectionTexts::removed() {
    return QStringLiteral("Webbeskyttelsen er fjernet, og dine tidligere DNS-indstillinger er sat tilbage.");
}

QString WebProtectionTexts::removeNotApproved() {
    return QStringLiteral("Fjernelsen blev ikke godkendt af en administrator. Webbeskyttelsen er uændret.");
}

QString WebProtectionTexts::removeFailed() {
    return QStringLiteral("Webbeskyttelsen kunne ikke fjernes. Prøv igen om et øjeblik.");
}

} // namespace molvena

#pragma once

#include <QString>
#include <QStringList>

namespace molvena {

// The login-item layer's Danish texts, the Mac's and Linux's side by side. The Mac's are the app's
// own; Linux uses its own words only where the desktop differs: how the program gets installed,
// where the desktop switches automatic start off, and what the buttons open.
struct LoginItemTexts {
    struct Line {
        QString status;
        QString detail;
    };
    Line notRegistered;
    Line enabled;
    Line requiresApproval;
    Line notFound; // the program does not run from an installed location
    Line unreadable;

    QString approveButton; // opens where the user allows automatic start
    QString enableButton;
    QString installButton; // opens what helps to install the app

    // Where the install button looks, in order: the first folder or file that exists is opened.
    QStringList installHelp;
    // Shown in the app when nothing could be opened, so no button does nothing.
    QString settingsFallback;
    QString installFallback;

    static LoginItemTexts mac();
    // `packagesFolder`: where scripts/package.sh leaves the .deb files of this build;
    // `readme`: the README with its install section.
    static LoginItemTexts linuxDesktop(const QString& packagesFolder, const QString& readme);
    // This system's texts (on Linux with this build's own packages folder and README).
    static LoginItemTexts forThisSystem();
};

} // namespace molvena

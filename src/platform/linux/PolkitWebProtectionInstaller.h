#pragma once

#include "platform/WebProtectionInstaller.h"

#include <QStringList>

namespace molvena {

// Linux's web protection: runs molvena-dns-helper as root through polkit (pkexec shows the
// desktop's administrator prompt) to point the name service at the protective resolver, or to put
// back what was there.
class PolkitWebProtectionInstaller : public WebProtectionInstaller {
public:
    // `command`: the program and its leading arguments; the operation is appended.
    explicit PolkitWebProtectionInstaller(QStringList command);

    // pkexec with the installed helper. A development build honours MOLVENA_DNS_HELPER_COMMAND
    // instead (the local run's namespace, where pkexec cannot work, starts the helper directly).
    static QStringList commandForThisBuild();

    Method method() const override { return Method::systemResolver; }
    QCoro::Task<Outcome> install() override;
    QCoro::Task<Outcome> remove() override;

private:
    QCoro::Task<Outcome> run(QString operation);

    QStringList m_command;
};

} // namespace molvena

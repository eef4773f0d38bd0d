#pragma once

#include "backend/APIClient.h"
#include "protection/DomainCountStore.h"
#include "session/AppSession.h"

#include <QDate>
#include <QDateTime>
#include <QObject>
#include <QStringList>
#include <QVariantList>
#include <QtQml/qqmlregistration.h>

#include <qcoro/qcorotask.h>

#include <functional>

namespace molvena {

// The player's two-step onboarding: the account (name, e-mail, Master PIN, the drawn pairing code),
// then the gambling pattern. What is typed stays here until both backend calls have succeeded; only
// then does it reach the session, in one go, and setup is complete.
class PlayerSetupViewModel : public QObject {
    Q_OBJECT
    QML_ELEMENT
    QML_UNCREATABLE("The root view model makes it.")
    Q_PROPERTY(int step READ step NOTIFY stepChanged)
    Q_PROPERTY(QString name READ name WRITE setName NOTIFY inputChanged)
    Q_PROPERTY(QString email READ email WRITE setEmail NOTIFY inputChanged)
    Q_PROPERTY(QString pin READ pin WRITE setPin NOTIFY inputChanged)
    Q_PROPERTY(QString pairing READ pairing CONSTANT)
    Q_PROPERTY(QString gamblingLocationType READ gamblingLocationType NOTIFY inputChanged)
    Q_PROPERTY(QStringList selectedGameTypes READ selectedGameTypes NOTIFY inputChanged)
    Q_PROPERTY(QString monthlySpendText READ monthlySpendText WRITE setMonthlySpendText NOTIFY inputChanged)
    Q_PROPERTY(QDate lastDate READ lastDate NOTIFY lastDateChanged)
    Q_PROPERTY(QDate today READ today NOTIFY lastDateChanged)
    Q_PROPERTY(bool isLastDateToday READ isLastDateToday NOTIFY lastDateChanged)
    Q_PROPERTY(QString dateButtonText READ dateButtonText NOTIFY lastDateChanged)
    Q_PROPERTY(bool showDatePicker READ showDatePicker NOTIFY showDatePickerChanged)
    Q_PROPERTY(QString error READ error NOTIFY errorChanged)
    Q_PROPERTY(bool busy READ busy NOTIFY busyChanged)
    Q_PROPERTY(bool canContinue READ canContinue NOTIFY canContinueChanged)
    Q_PROPERTY(QStringList gameTypes READ gameTypes CONSTANT)
    Q_PROPERTY(QVariantList locationOptions READ locationOptions CONSTANT)
    Q_PROPERTY(QString primaryLabel READ primaryLabel NOTIFY canContinueChanged)
    Q_PROPERTY(molvena::DomainCountStore* domains READ domains CONSTANT)

public:
    PlayerSetupViewModel(AppSession& session, const APIClient& api, DomainCountStore& domains,
                         std::function<QDateTime()> now, QObject* parent = nullptr);

    int step() const { return m_step; }
    QString name() const { return m_name; }
    QString email() const { return m_email; }
    QString pin() const { return m_pin; }
    QString pairing() const { return m_pairing; }
    QString gamblingLocationType() const { return m_gamblingLocationType; }
    QStringList selectedGameTypes() const { return m_selectedGameTypes; }
    QString monthlySpendText() const { return m_monthlySpendText; }
    QDate lastDate() const { return m_lastDate; }
    QDate today() const;
    bool isLastDateToday() const { return m_lastDate == today(); }
    QString dateButtonText() const;
    bool showDatePicker() const { return m_showDatePicker; }
    QString error() const { return m_error; }
    bool busy() const { return m_busy; }
    bool canContinue() const;
    QStringList gameTypes() const;
    QVariantList locationOptions() const;
    QString primaryLabel() const;
    DomainCountStore* domains() const { return &m_domains; }

    // The fields filter what is typed: the view shows the filtered text the property then holds.
    void setName(const QString& name);
    void setEmail(const QString& email);
    void setPin(const QString& pin);
    void setMonthlySpendText(const QString& text);

    Q_INVOKABLE void primaryAction();
    // "Tilbage" on step 1 leaves the onboarding; on step 2 both back buttons return to step 1.
    Q_INVOKABLE void back();
    Q_INVOKABLE void previousStep();
    Q_INVOKABLE void recoverAccount();
    Q_INVOKABLE void selectLocation(const QString& rawValue);
    Q_INVOKABLE void toggleGameType(const QString& gameType);
    Q_INVOKABLE void chooseToday();
    Q_INVOKABLE void toggleDatePicker();
    Q_INVOKABLE void pickDate(const QDate& date);

    // The submission, awaitable for tests; the button starts it without waiting.
    QCoro::Task<> submit();
    // The wire forms of the step-2 answers.
    QString joinedGameTypes() const;
    static qint64 spendFromText(const QString& text);

signals:
    void stepChanged();
    void inputChanged();
    void lastDateChanged();
    void showDatePickerChanged();
    void errorChanged();
    void busyChanged();
    void canContinueChanged();

private:
    void setStep(int step);
    void setError(const QString& error);
    void setBusy(bool busy);
    void inputWasEdited();

    AppSession& m_session;
    const APIClient& m_api;
    DomainCountStore& m_domains;
    std::function<QDateTime()> m_now;

    int m_step = 1;
    QString m_name;
    QString m_email;
    QString m_pin;
    QString m_pairing;
    QString m_gamblingLocationType;
    QStringList m_selectedGameTypes;
    QString m_monthlySpendText;
    QDate m_lastDate;
    bool m_showDatePicker = false;
    QString m_error;
    bool m_busy = false;
};

} // namespace molvena

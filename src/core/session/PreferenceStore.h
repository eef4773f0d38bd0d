#pragma once

#include <QSettings>
#include <QString>
#include <QVariant>

#include <memory>

namespace molvena {

// The user's persistent store of booleans, integers, reals and texts by key (user defaults on macOS,
// an INI file on Linux). Every write is synced at once so that a crash loses nothing. Values that
// are missing or cannot be read as the asked type read as the caller's default.
class PreferenceStore {
public:
    explicit PreferenceStore(std::unique_ptr<QSettings> settings);
    // A store backed by the INI file at `path` (tests and tools).
    explicit PreferenceStore(const QString& path);

    PreferenceStore(const PreferenceStore&) = delete;
    PreferenceStore& operator=(const PreferenceStore&) = delete;

    bool contains(const QString& key) const;
    QString text(const QString& key, const QString& fallback = {}) const;
    bool boolean(const QString& key, bool fallback = false) const;
    double real(const QString& key, double fallback = 0) const;
    qint64 integer(const QString& key, qint64 fallback = 0) const;

    void setValue(const QString& key, const QVariant& value);
    void remove(const QString& key);

    // Groups the writes of one step: they reach the disk together when the outermost batch ends, so
    // a crash keeps all of them or none, and the step pays for one sync instead of one per key.
    class Batch {
    public:
        explicit Batch(PreferenceStore& store);
        ~Batch();
        Batch(const Batch&) = delete;
        Batch& operator=(const Batch&) = delete;

    private:
        PreferenceStore& m_store;
    };

    QString fileName() const { return m_settings->fileName(); }

private:
    void syncUnlessBatched();

    std::unique_ptr<QSettings> m_settings;
    int m_openBatches = 0;
};

} // namespace molvena

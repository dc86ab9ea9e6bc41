// The settings file holds the radio password: no moment of its life, nor of
// the files its saving goes through, is readable by anyone but its owner.
#include "platform/SettingsStore.h"

#include <QDir>
#include <QFileInfo>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <mutex>
#include <thread>

#include <fcntl.h>
#include <poll.h>
#include <sys/inotify.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace korvane;

namespace {

constexpr mode_t kGroupOrOther = S_IRWXG | S_IRWXO;

// The whole test runs as a careless account would: umask 0, every file
// created as the creating call asks.
class OpenUmask {
public:
    OpenUmask() : m_previous(::umask(0)) {}
    ~OpenUmask() { ::umask(m_previous); }

private:
    mode_t m_previous;
};

mode_t modeOf(const QString &path)
{
    struct stat st {};
    return ::stat(QFile::encodeName(path).constData(), &st) == 0 ? (st.st_mode & 0777) : 0;
}

// Stats every file that appears in, or is moved into, a folder the moment
// the kernel reports it, from a thread of its own.
class FolderWatch {
public:
    explicit FolderWatch(const QString &folder)
        : m_fd(inotify_init1(IN_NONBLOCK)), m_folder(folder)
    {
        m_watch = inotify_add_watch(m_fd, QFile::encodeName(folder).constData(),
                                    IN_CREATE | IN_MOVED_TO | IN_MODIFY | IN_ATTRIB);
        m_thread = std::thread([this] { run(); });
    }
    ~FolderWatch()
    {
        m_stop = true;
        m_thread.join();
        ::close(m_fd);
    }
    bool valid() const { return m_fd >= 0 && m_watch >= 0; }

    // Every (name, mode) seen; a mode of 0 means the file was gone already.
    QList<QPair<QString, mode_t>> seen()
    {
        const std::lock_guard lock(m_mutex);
        return m_seen;
    }

private:
    void run()
    {
        alignas(inotify_event) char buffer[8192];
        while (!m_stop) {
            pollfd p{m_fd, POLLIN, 0};
            if (::poll(&p, 1, 20) <= 0)
                continue;
            const ssize_t n = ::read(m_fd, buffer, sizeof buffer);
            for (ssize_t at = 0; at < n;) {
                const auto *e = reinterpret_cast<const inotify_event *>(buffer + at);
                if (e->len > 0) {
                    const QString name = QFile::decodeName(e->name);
                    const mode_t mode = modeOf(QDir(m_folder).filePath(name));
                    const std::lock_guard lock(m_mutex);
                    m_seen.append({name, mode});
                }
                at += static_cast<ssize_t>(sizeof(inotify_event) + e->len);
            }
        }
    }

    int m_fd;
    int m_watch = -1;
    QString m_folder;
    std::atomic<bool> m_stop{false};
    std::mutex m_mutex;
    QList<QPair<QString, mode_t>> m_seen;
    std::thread m_thread;
};

TEST(SettingsPrivacy, AFolderTheStoreMakesIsTheOwnersAlone)
{
    const OpenUmask careless;
    QTemporaryDir dir;
    const QString path = QDir(dir.path()).filePath(QStringLiteral("Korvane/sub/korvane-station.ini"));
    SettingsStore store(path);
    store.write(QStringLiteral("DEVICE_WIRESS_PASSWORD"), QStringLiteral("secret"));
    EXPECT_EQ(modeOf(QDir(dir.path()).filePath(QStringLiteral("Korvane"))), 0700u);
    EXPECT_EQ(modeOf(QFileInfo(path).absolutePath()), 0700u);
    EXPECT_EQ(modeOf(path), 0600u);
}

TEST(SettingsPrivacy, TheUsersStoreFolderIsTightenedToo)
{
    const OpenUmask careless;
    QTemporaryDir home;
    const QString folder = QDir(home.path()).filePath(QStringLiteral("Korvane"));
    ASSERT_TRUE(QDir().mkpath(folder));
    ASSERT_EQ(modeOf(folder), 0777u);
    qputenv("XDG_CONFIG_HOME", QFile::encodeName(home.path()));
    const auto store = SettingsStore::forUser(QStringLiteral("korvane-station"));
    qunsetenv("XDG_CONFIG_HOME");
    store->write(QStringLiteral("DEVICE_WIRESS_PASSWORD"), QStringLiteral("secret"));
    EXPECT_TRUE(store->filePath().startsWith(folder)) << qPrintable(store->filePath());
    EXPECT_EQ(modeOf(folder), 0700u);
    EXPECT_EQ(modeOf(store->filePath()), 0600u);
}

TEST(SettingsPrivacy, NoFileOfTheSavingIsEverReadableByOthers)
{
    const OpenUmask careless;
    QTemporaryDir dir;
    const QString path = QDir(dir.path()).filePath(QStringLiteral("korvane-station.ini"));
    QList<QPair<QString, mode_t>> seen;
    {
        FolderWatch watch(dir.path());
        ASSERT_TRUE(watch.valid());
        SettingsStore store(path);
        for (int i = 0; i < 40; ++i)
            store.write(QStringLiteral("DEVICE_WIRESS_PASSWORD"), QStringLiteral("secret%1").arg(i));
        // The watch has seen the file of the last write before it stops.
        const auto sawFinal = [&] {
            for (const auto &[name, mode] : watch.seen()) {
                if (name == QStringLiteral("korvane-station.ini") && mode != 0)
                    return true;
            }
            return false;
        };
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(5);
        while (!sawFinal() && std::chrono::steady_clock::now() < deadline)
            std::this_thread::yield();
        EXPECT_TRUE(sawFinal());
        seen = watch.seen();
    }
    ASSERT_FALSE(seen.isEmpty());
    for (const auto &[name, mode] : seen)
        EXPECT_EQ(mode & kGroupOrOther, 0u) << qPrintable(name) << " had mode " << std::oct << mode;
    EXPECT_EQ(modeOf(path), 0600u);
}

} // namespace

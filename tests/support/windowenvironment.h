// What a process that builds the real main window sets up before its QApplication: a temporary folder
// and a lock folder of its own, and what the web engine needs.
#pragma once

#include "tests/support/tempfolder.h"

#include <QCoreApplication>
#include <QtGlobal>
#include <filesystem>
#include <unistd.h>

namespace inkwell::testing {

// What the web engine needs before the QApplication of any process that may start it.
inline void prepareForEngine()
{
    // The engine refuses to start as root with its sandbox on.
    if (::geteuid() == 0)
        qputenv("QTWEBENGINE_DISABLE_SANDBOX", "1");
    QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts);
}

class WindowEnvironment
{
public:
    // The folders lie below base (the build folder), so that a run folder there is not below the
    // temporary folder (the program refuses to start there), and the single-copy lock is kept apart
    // from any other copy running on this machine.
    explicit WindowEnvironment(const std::filesystem::path& base)
        : m_temp(base / "test-tmp")
        , m_locks(base / "test-locks")
    {
        qputenv("TMPDIR", QByteArray::fromStdString(m_temp.path().string()));
        qputenv("XDG_RUNTIME_DIR", QByteArray::fromStdString(m_locks.path().string()));
        prepareForEngine();
    }

private:
    TempFolder m_temp;
    TempFolder m_locks;
};

} // namespace inkwell::testing

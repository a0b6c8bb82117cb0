#include "test_support.hpp"

#include <QAbstractButton>
#include <QApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTest>
#include <QTimer>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include <gtest/gtest.h>

namespace glifora::test {

DriveRoot::DriveRoot()
{
    QDir(dir.path()).mkpath(QStringLiteral("VANTO"));
}

QString DriveRoot::vanto(const QString& name) const
{
    return dir.path() + QStringLiteral("/VANTO/") + name;
}

void DriveRoot::installTool(const QString& name, const QByteArray* output) const
{
    const QString path = vanto(name);
    QFile::remove(path);
    QFile::remove(path + QStringLiteral(".hang"));
    QFile::remove(path + QStringLiteral(".closes"));
    QFile::copy(QStringLiteral(STAND_IN_TOOL), path);
    QFile::setPermissions(path, QFileDevice::ReadOwner | QFileDevice::WriteOwner |
                                    QFileDevice::ExeOwner);
    if (output)
        writeFile(name + QStringLiteral(".out"), *output);
}

void DriveRoot::installHangingTool(const QString& name) const
{
    installTool(name);
    writeFile(name + QStringLiteral(".hang"), QByteArray());
}

void DriveRoot::installToolThatClosesItsOutput(const QString& name, const QByteArray& output) const
{
    installTool(name, &output);
    writeFile(name + QStringLiteral(".closes"), QByteArray());
}

qint64 DriveRoot::pid(const QString& name) const
{
    QFile file(vanto(name) + QStringLiteral(".pid"));
    return file.open(QIODevice::ReadOnly) ? file.readAll().toLongLong() : 0;
}

void DriveRoot::installSlowRecogniser(const QString& name, const QByteArray& result) const
{
    installTool(name);
    writeFile(name + QStringLiteral(".result"), result);
    const QByteArray gate = QFile::encodeName(vanto(name) + QStringLiteral(".gate"));
    EXPECT_EQ(::mkfifo(gate.constData(), 0600), 0) << std::strerror(errno);
}

bool DriveRoot::openGate(const QString& name) const
{
    const QByteArray gate = QFile::encodeName(vanto(name) + QStringLiteral(".gate"));
    // Without a reader the open fails (ENXIO) instead of waiting for one.
    const int writer = ::open(gate.constData(), O_WRONLY | O_NONBLOCK | O_CLOEXEC);
    if (writer < 0)
        return false;
    ::close(writer);
    return true;
}

void DriveRoot::writeFile(const QString& name, const QByteArray& bytes) const
{
    test::writeFile(vanto(name), bytes);
}

std::vector<QStringList> DriveRoot::calls(const QString& name) const
{
    QFile file(vanto(name) + QStringLiteral(".calls"));
    std::vector<QStringList> result;
    if (!file.open(QIODevice::ReadOnly))
        return result;
    for (const QByteArray& record : file.readAll().split('\n')) {
        if (record.isEmpty())
            continue;
        QStringList arguments;
        QByteArrayList fields = record.split('\0');
        fields.removeLast();  // every argument ends with NUL
        for (const QByteArray& field : fields)
            arguments << QString::fromUtf8(field);
        result.push_back(arguments);
    }
    return result;
}

bool DriveRoot::waitForCalls(const QString& name, std::size_t count) const
{
    return QTest::qWaitFor([&] { return calls(name).size() >= count; }, 10000);
}

bool ScriptedChooser::showOpen(QWidget*)
{
    ++shown;
    if (cancel)
        return false;
    chosen = next;
    return true;
}

void writeFile(const QString& path, const QByteArray& bytes)
{
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate) || file.write(bytes) != bytes.size())
        qFatal("cannot write %s", qPrintable(path));
}

}  // namespace glifora::test

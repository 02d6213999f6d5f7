// The running program and later starts.
#include "app/InstanceChannel.h"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <QDir>
#include <QLocalServer>
#include <cerrno>

namespace {

constexpr int kConnectWaitMs = 1000;
constexpr char kRestoreRequest[] = "restore";
constexpr char kCloseRequest[] = "close";

}  // namespace

QString InstanceSocketName() {
    QString runtime = qEnvironmentVariable("XDG_RUNTIME_DIR");
    if (runtime.startsWith(QLatin1Char('/'))) {
        return runtime + QStringLiteral("/quillon-recorder");
    }
    return QDir::tempPath() + QStringLiteral("/quillon-recorder-%1").arg(::getuid());
}

InstanceServer::InstanceServer(QString name, QObject* parent)
    : QObject(parent), name(std::move(name)), server(new QLocalServer(this)) {
    server->setSocketOptions(QLocalServer::UserAccessOption);
    connect(server, &QLocalServer::newConnection, this, &InstanceServer::OnConnection);
}

InstanceServer::~InstanceServer() = default;

bool InstanceServer::Listen() {
    // Checking for a running program and then listening would let two starts at the same
    // moment both run (each removing what the other made): the lock decides between them.
    UniqueFd lock(::open((name + QStringLiteral(".lock")).toLocal8Bit().constData(),
                         O_RDWR | O_CREAT | O_CLOEXEC, 0600));
    if (lock && ::flock(lock.Get(), LOCK_EX | LOCK_NB) != 0 && errno == EWOULDBLOCK) {
        return false;
    }
    // Whatever is left on the name is from a program that ended without releasing it.
    QLocalServer::removeServer(name);
    server->listen(name);
    claim = std::move(lock);
    return true;
}

void InstanceServer::OnConnection() {
    while (QLocalSocket* socket = server->nextPendingConnection()) {
        connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
        connect(socket, &QLocalSocket::readyRead, this, [this, socket] {
            while (socket->canReadLine()) {
                QByteArray request = socket->readLine().trimmed();
                if (request == kRestoreRequest) {
                    emit RestoreRequested();
                } else if (request == kCloseRequest) {
                    emit CloseRequested();
                }
            }
        });
    }
}

RunningInstance::RunningInstance(const QString& name) {
    socket.connectToServer(name);
    socket.waitForConnected(kConnectWaitMs);
}

void RunningInstance::AskToRestore() {
    Send(kRestoreRequest);
}

void RunningInstance::AskToClose() {
    Send(kCloseRequest);
}

void RunningInstance::Send(const char* request) {
    if (!Found()) {
        return;
    }
    socket.write(QByteArray(request) + '\n');
    socket.waitForBytesWritten(kConnectWaitMs);
    socket.disconnectFromServer();
}

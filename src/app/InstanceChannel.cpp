// The running program and later starts.
#include "app/InstanceChannel.h"

#include <unistd.h>

#include <QDir>
#include <QLocalServer>

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
    if (RunningInstance(name).Found()) {
        return false;
    }
    // Nobody answers on the name: whatever is left there is from a program that ended without
    // releasing it.
    QLocalServer::removeServer(name);
    return server->listen(name);
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

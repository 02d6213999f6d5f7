// The one running program and the later starts that find it: the running program listens on a
// local socket named for the user; a later start connects to it and asks it to come to the
// front, or (an installer or uninstaller) to close.
#pragma once

#include <QLocalSocket>
#include <QObject>
#include <QString>

#include "base/UniqueFd.h"

class QLocalServer;

// In $XDG_RUNTIME_DIR, private to the user, when the desktop provides it; else in the temporary
// folder under a name that holds the user id.
QString InstanceSocketName();

class InstanceServer : public QObject {
    Q_OBJECT

public:
    explicit InstanceServer(QString name = InstanceSocketName(), QObject* parent = nullptr);
    ~InstanceServer() override;

    // Claims the name for as long as this server lives, taking it over from a program that
    // ended without releasing it. False when another program holds it, or claims it at the
    // same moment: this one is then a later start. Where no claim can be made at all (a folder
    // without write access) the program runs unclaimed: true.
    bool Listen();

signals:
    void RestoreRequested();
    void CloseRequested();

private:
    void OnConnection();

    QString name;
    QLocalServer* server;
    // A lock beside the name, held while this server lives; the system releases it when the
    // program ends, however it ends.
    UniqueFd claim;
};

// A connection to the running program, when there is one.
class RunningInstance {
public:
    explicit RunningInstance(const QString& name = InstanceSocketName());

    bool Found() const { return socket.state() == QLocalSocket::ConnectedState; }
    // Asks it to restore its window and come to the front.
    void AskToRestore();
    // Asks it to close, as its close box would.
    void AskToClose();

private:
    void Send(const char* request);

    QLocalSocket socket;
};

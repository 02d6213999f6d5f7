// What an installation or a removal of the desktop program is given.
#include "setup/SetupRequest.h"

#include <QProcess>

#include "setup/LicenceTermsDialog.h"
#include "setup/PayloadTable.h"
#include "setup/RemoveQuestionDialog.h"

SetupRequest DesktopSetupRequest(const std::string& programFile, const QStringList& arguments) {
    SetupRequest request;
    request.programFile = programFile;
    request.arguments = arguments.mid(1);
    request.payload = PayloadTable();
    request.acceptTerms = AskLicenceTerms;
    request.confirmRemoval = AskRemoval;
    request.start = [](const std::string& program, const QStringList& programArguments) {
        return QProcess::startDetached(QString::fromStdString(program), programArguments);
    };
    return request;
}

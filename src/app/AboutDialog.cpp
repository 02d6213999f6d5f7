// The About box.
#include "app/AboutDialog.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>

#include "app/Artwork.h"
#include "app/ProgramInfo.h"

AboutDialog::AboutDialog(QWidget* parent) : LDialog(parent) {
    setWindowTitle(QStringLiteral("About %1").arg(QString::fromLatin1(kProgramName)));

    auto* icon = new QLabel(this);
    icon->setPixmap(ProgramIconPixmap(64));
    icon->setAlignment(Qt::AlignTop);

    auto* name = new QLabel(QString::fromLatin1(kProgramName), this);
    QFont big = name->font();
    big.setPointSizeF(big.pointSizeF() * 1.5);
    big.setBold(true);
    name->setFont(big);
    auto* version =
        new QLabel(QStringLiteral("Version %1").arg(QString::fromLatin1(kVersion)), this);
    auto* maker =
        new QLabel(QStringLiteral("Made by %1").arg(QString::fromLatin1(kMakerName)), this);
    auto* about = new QLabel(
        QStringLiteral("A personal telephone call recorder: it shows who is calling, keeps a "
                       "daily log of incoming calls and records the calls you choose."),
        this);
    about->setWordWrap(true);
    about->setMinimumWidth(260);

    auto* ok = Bind(kIdOK, new QPushButton(QStringLiteral("OK"), this));
    ok->setDefault(true);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(ok);

    auto* layout = new QGridLayout(this);
    layout->setHorizontalSpacing(16);
    layout->addWidget(icon, 0, 0, 4, 1);
    layout->addWidget(name, 0, 1);
    layout->addWidget(version, 1, 1);
    layout->addWidget(maker, 2, 1);
    layout->addWidget(about, 3, 1);
    layout->addLayout(buttons, 4, 0, 1, 2);
    layout->setSizeConstraint(QLayout::SetFixedSize);
}

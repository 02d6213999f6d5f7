// `quillon --play FILE`: the option, the dialog on the file, and the "player" settings it keeps.
#include "app/PlayFile.h"

#include <gtest/gtest.h>

#include <QLineEdit>
#include <QTest>
#include <QTimer>

#include "audio/devices/WaveDevices.h"
#include "audio/files/LWaveWriter.h"
#include "controls/LPlayDlg.h"
#include "settings/SettingsStore.h"
#include "support/QtWidgetsTestApp.h"
#include "support/TempDir.h"

namespace {

TEST(PlayFileTest, OpensTheNamedFileAndKeepsThePlayerSettings) {
    QtWidgetsTestApp();
    TempDir dir;
    ScopedEnv data{"XDG_DATA_HOME", dir / "data"};
    ScopedEnv config{"QUILLON_CONFIG_DIR", dir / "config"};
    const std::string file = dir / "prompt.wav";
    { LWaveWriter writer(file, 8000, 0, 2, 1); }
    // Played on a device of the test's own, never the sound card.
    WaveDeviceRegistration speaker(std::make_shared<VirtualWaveDevice>("speaker"));
    const std::string settings = dir / "data/Ostrel/Quillon/settings.ini";
    WriteIntSetting(settings, "player", "device", speaker.OutputId());

    EXPECT_EQ(PlayFileArgument({"quillon", "--play", QString::fromStdString(file)}),
              QString::fromStdString(file));
    EXPECT_EQ(PlayFileArgument({"quillon", "--simulate"}), std::nullopt);
    EXPECT_EQ(PlayFile(QString()), 1);  // "--play" without a FILE

    // Closes the dialog with Enter once it is up, noting the name it shows.
    QString shownName;
    auto closeSoon = [&shownName] {
        QTimer::singleShot(0, [&shownName] {
            for (QWidget* window : QApplication::topLevelWidgets()) {
                if (auto* dialog = dynamic_cast<LPlayDlg*>(window); dialog && dialog->isVisible()) {
                    shownName = dialog->ItemAs<QLineEdit>(LPlayDlg::kIdName)->text();
                    QTest::keyClick(dialog->windowHandle(), Qt::Key_Return);
                }
            }
        });
    };
    closeSoon();
    EXPECT_EQ(PlayFile(QString::fromStdString(file)), 0);
    EXPECT_EQ(shownName, QStringLiteral("prompt.wav"));
    EXPECT_EQ(ReadTextSetting(settings, "player", "volume", "none"), "0dB");  // written on close
    closeSoon();
    EXPECT_EQ(PlayFile(QString::fromStdString(dir / "missing.wav")), 1);
    EXPECT_EQ(shownName, QStringLiteral("missing.wav"));
}

}  // namespace

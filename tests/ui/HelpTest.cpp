// The help: a page for every context, working links, the help window, start-up tips.
#include "ui/Help.h"

#include <gtest/gtest.h>

#include <QCheckBox>
#include <QDialog>
#include <QDir>
#include <QFile>
#include <QRegularExpression>
#include <QTextBrowser>
#include <filesystem>
#include <set>

#include "UiTestSupport.h"
#include "settings/SettingsKeys.h"
#include "support/TempDir.h"
#include "ui/HelpWindow.h"
#include "ui/TipDialog.h"

namespace {

const std::string kHelpSource = std::string(QUILLON_SOURCE_DIR) + "/help";

class HelpTest : public ::testing::Test {
protected:
    void SetUp() override { QtWidgetsTestApp(); }
    void TearDown() override { delete HelpWindow::Current(); }
    ScopedEnv folder{"QUILLON_HELP_DIR", kHelpSource};
    TempDir dir;
    std::string settingsFile = dir / "settings.ini";
};

TEST_F(HelpTest, EveryContextHasItsOwnPageAndEveryLinkBetweenPagesLeadsToAPage) {
    std::set<std::string> contextPages;
    for (int context :
         {kHelpContents, kHelpGeneralPage, kHelpRecordPage, kHelpHoldPage, kHelpFindAndPlay,
          kHelpTroubleshooting, 200, 201, 202, 203, 204, 205, 206, 207, 208, 209}) {
        EXPECT_TRUE(Exists(HelpPageFile(context))) << context;
        contextPages.insert(HelpPageFile(context));
    }
    EXPECT_EQ(contextPages.size(), 16u);
    EXPECT_EQ(HelpPageFile(999), "");
    EXPECT_EQ(HelpPageFile(kHelpFirstTip + kNumTips), "");

    QDir help(QString::fromStdString(kHelpSource));
    const QStringList pages = help.entryList({QStringLiteral("*.html")}, QDir::Files);
    QRegularExpression link(QStringLiteral("href=\"([^\"#:]+)\""));
    int links = 0;
    for (const QString& page : pages) {
        QFile file(help.filePath(page));
        ASSERT_TRUE(file.open(QIODevice::ReadOnly));
        QString text = QString::fromUtf8(file.readAll());
        EXPECT_TRUE(text.contains(QStringLiteral("<title>"))) << page.toStdString();
        for (const auto& match : link.globalMatch(text)) {
            EXPECT_TRUE(help.exists(match.captured(1)))
                << page.toStdString() << " -> " << match.captured(1).toStdString();
            ++links;
        }
    }
    EXPECT_GT(links, 20);
}

TEST_F(HelpTest, ShowHelpShowsTheContextsPageInOneWindowOfTheProgramsOwn) {
    UrlRecorder urls;
    EXPECT_TRUE(ShowHelp(kHelpTroubleshooting));
    HelpWindow* window = HelpWindow::Current();
    ASSERT_NE(window, nullptr);
    EXPECT_TRUE(window->isVisible());
    EXPECT_EQ(window->Browser()->source(),
              QUrl::fromLocalFile(QString::fromStdString(kHelpSource) + "/troubleshooting.html"));
    EXPECT_EQ(window->windowTitle(), window->Browser()->documentTitle());
    EXPECT_TRUE(ShowHelp(kHelpContents));
    EXPECT_EQ(HelpWindow::Current(), window);  // one window, reused
    EXPECT_EQ(window->Browser()->source().fileName(), "index.html");
    EXPECT_FALSE(ShowHelp(999));
    EXPECT_TRUE(urls.urls.empty());  // no desktop program is needed
    // Over a modal dialog the window is the dialog's, so that it can be used while it is open.
    QDialog dialog;
    dialog.setWindowModality(Qt::ApplicationModal);
    dialog.show();
    EXPECT_TRUE(ShowHelp(kHelpGeneralPage));
    EXPECT_EQ(HelpWindow::Current()->parentWidget(), &dialog);
}

TEST_F(HelpTest, HelpLivesBesideTheProgramAndMissingHelpOpensNothing) {
    ScopedEnv unset{"QUILLON_HELP_DIR", std::nullopt};
    EXPECT_EQ(HelpFolder(), (QCoreApplication::applicationDirPath() + "/help").toStdString());
    ScopedEnv elsewhere{"QUILLON_HELP_DIR", dir / "no help here"};
    EXPECT_FALSE(ShowHelp(kHelpContents));
    EXPECT_EQ(HelpWindow::Current(), nullptr);
    EXPECT_FALSE(HasTip(0));
}

TEST_F(HelpTest, AnInstalledProgramFindsItsHelpUnderShareDocUnlessThereIsHelpBesideIt) {
    std::string bin = dir / "usr/bin";
    std::string installed = dir / "usr/share/doc/quillon/help";
    std::filesystem::create_directories(bin);
    EXPECT_EQ(HelpFolderOf(bin), bin + "/help");  // none anywhere
    std::filesystem::create_directories(installed);
    EXPECT_EQ(HelpFolderOf(bin), installed);
    std::filesystem::create_directories(bin + "/help");
    EXPECT_EQ(HelpFolderOf(bin), bin + "/help");
}

TEST_F(HelpTest, StartupTipsGoRoundTheTenInTurnAndTheTipDialogKeepsTheStartupSwitch) {
    EXPECT_EQ(TakeStartupTip(settingsFile), 0);  // nothing stored yet
    EXPECT_EQ(ReadSetting(settingsFile, settings::kTipNo), 1);
    for (auto [stored, shown] : {std::pair{9, 9}, {10, 0}, {-3, 7}}) {
        WriteSetting(settingsFile, settings::kTipNo, stored);
        EXPECT_EQ(TakeStartupTip(settingsFile), shown) << stored;
        EXPECT_EQ(ReadSetting(settingsFile, settings::kTipNo), shown + 1) << stored;
    }

    WriteSetting(settingsFile, settings::kShowTip, true);
    TipDialog tip(settingsFile, 9);
    tip.Initialize();
    auto* text = tip.ItemAs<QTextBrowser>(TipDialog::kIdTip);
    EXPECT_EQ(text->source().fileName(), "tip-209.html");
    auto* box = tip.ItemAs<QCheckBox>(TipDialog::kIdShowTips);
    EXPECT_TRUE(box->isChecked());
    box->click();
    EXPECT_FALSE(ReadSetting(settingsFile, settings::kShowTip));

    tip.Command(TipDialog::kIdNextTip);
    EXPECT_EQ(tip.Number(), 0);
    EXPECT_EQ(text->source().fileName(), "tip-200.html");
}

}  // namespace

// The network settings dialog: what it shows, what it writes and when, its keys, and the
// main dialog's entries that open it (and the about box).
#include "ui_test_support.h"

#include "core/profile_store.h"
#include "transport/net/lan_link.h"
#include "ui/about_dlg.h"
#include "ui/network_config_dlg.h"

#include <QDialogButtonBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

#include <cstdlib>

namespace kyv::test {
namespace {

// The user's settings file lives in the test's scratch directory.
class NetworkConfig : public DialogFixture {
protected:
    void SetUp() override
    {
        DialogFixture::SetUp();
        if (const char* old = std::getenv("XDG_CONFIG_HOME"))
            oldConfigHome_ = old;
        setenv("XDG_CONFIG_HOME", (workDir_ / "config").c_str(), 1);
        services_ = services();
    }
    void TearDown() override
    {
        config_.reset();
        if (oldConfigHome_)
            setenv("XDG_CONFIG_HOME", oldConfigHome_->c_str(), 1);
        else
            unsetenv("XDG_CONFIG_HOME");
        DialogFixture::TearDown();
    }

    CNetworkConfig& open()
    {
        config_ = std::make_unique<CNetworkConfig>(ProfileStore::forUser(), services_);
        config_->show();
        config_->activateWindow();
        EXPECT_TRUE(QTest::qWaitForWindowActive(config_.get()));
        return *config_;
    }
    QLineEdit* edit(const char* name) { return config_->findChild<QLineEdit*>(QLatin1String(name)); }
    void type(const char* name, const char* text)
    {
        edit(name)->clear();
        QTest::keyClicks(edit(name), QLatin1String(text));
    }
    void pressOk() { config_->findChild<QPushButton*>(QStringLiteral("okButton"))->click(); }
    int stored(const char* key) { return ProfileStore::forUser().getInt("Brevant", key, -1); }

    DialogServices services_;
    std::unique_ptr<CNetworkConfig> config_;
    std::optional<std::string> oldConfigHome_;
};

TEST_F(NetworkConfig, ShowsStoredSecondsAndWritesThemBackForTheMacSearch)
{
    open();
    EXPECT_EQ(edit("broadcastEdit")->text(), "15");
    EXPECT_EQ(edit("connectionEdit")->text(), "10");
    type("connectionEdit", "a1b2c3d4");
    EXPECT_EQ(edit("connectionEdit")->text(), "123"); // digits only, three of them
    config_->findChild<QPushButton*>(QStringLiteral("closeButton"))->click();
    EXPECT_FALSE(config_->isVisible());
    EXPECT_FALSE(std::filesystem::exists(ProfileStore::defaultPath())); // Close writes nothing

    ASSERT_TRUE(ProfileStore::forUser().setInt("Brevant", "BroadCast Timeout", 15500));
    open();
    EXPECT_EQ(edit("broadcastEdit")->text(), "15");
    pressOk();
    EXPECT_FALSE(config_->isVisible());
    EXPECT_EQ(stored("BroadCast Timeout"), 15000);
    EXPECT_EQ(stored("LAN Connection Timeout"), 10000);

    // The MAC search's settings, read as it reads them at its next use.
    open();
    type("broadcastEdit", "42");
    type("connectionEdit", "7");
    pressOk();
    const NetSettings search = LanLink().settings();
    EXPECT_EQ(search.searchReadMs, 42000u);
    EXPECT_EQ(search.searchConnectMs, 7000u);
    EXPECT_TRUE(messages_.empty());
}

TEST_F(NetworkConfig, ValuesOutOfRangeKeepTheDialogOpenAndWriteNothing)
{
    open();
    type("connectionEdit", "4");
    pressOk();
    ASSERT_EQ(messages_.size(), 1u);
    EXPECT_EQ(messages_[0].text, "Enter an integer between 5 and 300.");
    for (const char* broadcast : {"14", "301", ""}) {
        type("connectionEdit", "300");
        type("broadcastEdit", broadcast);
        messages_.clear();
        pressOk();
        ASSERT_EQ(messages_.size(), 1u) << broadcast;
        EXPECT_EQ(messages_[0].text, "Please enter the BroadCast Timeout Value");
        EXPECT_TRUE(config_->isVisible());
        EXPECT_EQ(QApplication::focusWidget(), edit("broadcastEdit"));
    }
    EXPECT_FALSE(std::filesystem::exists(ProfileStore::defaultPath()));

    for (const char* broadcast : {"15", "300"}) {
        open();
        type("connectionEdit", "5");
        type("broadcastEdit", broadcast);
        pressOk();
        EXPECT_FALSE(config_->isVisible()) << broadcast;
        EXPECT_EQ(stored("BroadCast Timeout"), std::atoi(broadcast) * 1000);
        EXPECT_EQ(stored("LAN Connection Timeout"), 5000);
    }
}

TEST_F(NetworkConfig, DownLowersTheBroadcastValueAnywhereUpOnlyInItsEdit)
{
    open();
    type("broadcastEdit", "17");
    type("connectionEdit", "20");
    edit("connectionEdit")->setFocus();
    QTest::keyClick(edit("connectionEdit"), Qt::Key_Down);
    EXPECT_EQ(edit("broadcastEdit")->text(), "16");
    EXPECT_EQ(edit("connectionEdit")->text(), "20");
    QTest::keyClick(edit("connectionEdit"), Qt::Key_Up);
    EXPECT_EQ(edit("broadcastEdit")->text(), "16");
    QTest::keyClick(edit("connectionEdit"), Qt::Key_Down);
    QTest::keyClick(edit("connectionEdit"), Qt::Key_Down);
    EXPECT_EQ(edit("broadcastEdit")->text(), "15"); // not below 15

    auto* okButton = config_->findChild<QPushButton*>(QStringLiteral("okButton"));
    type("broadcastEdit", "40");
    okButton->setFocus();
    QTest::keyClick(okButton, Qt::Key_Down);
    EXPECT_EQ(edit("broadcastEdit")->text(), "39");

    type("broadcastEdit", "299");
    edit("broadcastEdit")->setFocus();
    QTest::keyClick(edit("broadcastEdit"), Qt::Key_Up);
    QTest::keyClick(edit("broadcastEdit"), Qt::Key_Up);
    EXPECT_EQ(edit("broadcastEdit")->text(), "300"); // not above 300
}

TEST_F(NetworkConfig, HiddenEntriesOfTheMainDialogOpenItAndAboutShowsTheVersion)
{
    CBrevantDlg& dlg = dialog();
    dlg.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&dlg));
    QStringList opened;
    const auto record = [&opened](QWidget* modal) { opened << modal->windowTitle(); };

    onNextModal(record);
    child<QPushButton>("networkButton")->click();
    auto* ethernet = child<QLabel>("ethernetIcon");
    QTest::mouseDClick(ethernet, Qt::LeftButton); // without Ctrl+Shift: nothing
    QTest::qWait(20);
    onNextModal(record);
    QTest::mouseDClick(ethernet, Qt::LeftButton, Qt::ControlModifier | Qt::ShiftModifier);
    ASSERT_TRUE(waitFor([&] { return opened.size() == 2; }));
    EXPECT_EQ(opened, QStringList({"Network Config", "Network Config"}));

    CAboutDlg about(&dlg);
    EXPECT_EQ(about.findChild<QLabel*>(QStringLiteral("versionLabel"))->text(), "Version  V10.69");
    QStringList texts;
    for (auto* label : about.findChildren<QLabel*>())
        texts << label->text();
    EXPECT_TRUE(texts.join(' ').contains("Brevant"));
    auto* ok = about.findChild<QDialogButtonBox*>()->button(QDialogButtonBox::Ok);
    ASSERT_NE(ok, nullptr);
    EXPECT_EQ(ok->text().remove('&'), "OK");
}

} // namespace
} // namespace kyv::test

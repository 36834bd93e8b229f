// The USB-memory firmware folder utility: the browse rules, the check box, the trees it
// writes (compared file by file with their sources), the drive check and its failures.
#include "ui_test_support.h"

#include "ui/file_utility_dlg.h"

#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

namespace kyv::test {
namespace {

namespace fs = std::filesystem;

class FileUtility : public DialogFixture {
protected:
    void SetUp() override
    {
        DialogFixture::SetUp();
        services_ = services();
        fs::create_directories(stick());
        chosenFolder_ = QString::fromStdString(stick().string());
    }
    void TearDown() override
    {
        utility_.reset();
        DialogFixture::TearDown();
    }

    CFileUtility& open(const char* model)
    {
        utility_ = std::make_unique<CFileUtility>(model, services_);
        return *utility_;
    }
    template <typename T> T* part(const char* name) { return utility_->findChild<T*>(QLatin1String(name)); }
    fs::path stick() const { return workDir_ / "stick"; }

    // A firmware file of its own bytes, chosen with the named Browse button.
    std::string choose(const char* browse, const std::string& name)
    {
        std::string bytes;
        for (size_t i = 0; i < 3000 + name.size() * 97; ++i)
            bytes += static_cast<char>((i * 31 + name.size() * 7 + name[0]) & 0xFF);
        const fs::path file = workDir_ / "fw" / name;
        fs::create_directories(file.parent_path());
        std::ofstream(file, std::ios::binary) << bytes;
        chosenFile_ = QString::fromStdString(file.string());
        part<QPushButton>(browse)->click();
        return file.string();
    }
    void chooseAll()
    {
        for (const char* slot : {"ipl", "main", "sbcs", "dbcs", "table", "config"}) {
            const std::string ext = std::string(slot) == "main" ? "mfw"
                                    : std::string(slot) == "ipl" ? "ipl"
                                    : std::string(slot) == "table" ? "tbl"
                                    : std::string(slot) == "config" ? "cfg"
                                    : std::string(slot) == "sbcs" ? "sfn" : "dfn";
            sources_[slot] = choose((std::string(slot) + "Browse").c_str(), std::string(slot) + "_fw." + ext);
        }
    }
    void save()
    {
        messages_.clear();
        part<QPushButton>("saveButton")->click();
    }
    static std::string bytesOf(const fs::path& file)
    {
        std::ifstream in(file, std::ios::binary);
        return {std::istreambuf_iterator<char>(in), {}};
    }
    // Every file below folder, relative, each with its content.
    static std::map<std::string, std::string> tree(const fs::path& folder)
    {
        std::map<std::string, std::string> out;
        for (const auto& entry : fs::recursive_directory_iterator(folder))
            if (entry.is_regular_file())
                out[fs::relative(entry.path(), folder).string()] = bytesOf(entry.path());
        return out;
    }
    // What the tree must hold: folder/name of each source, with the source's bytes.
    static std::map<std::string, std::string> expected(const std::map<std::string, std::string>& folderToSource)
    {
        std::map<std::string, std::string> out;
        for (const auto& [folder, source] : folderToSource)
            out[folder + "/" + fs::path(source).filename().string()] = bytesOf(source);
        return out;
    }
    std::string lastText() const { return messages_.empty() ? std::string() : messages_.back().text.toStdString(); }

    DialogServices services_;
    std::unique_ptr<CFileUtility> utility_;
    std::map<std::string, std::string> sources_;
};

TEST_F(FileUtility, R453TreeHoldsExactCopiesAndASecondRunInTheSameSecondFails)
{
    open("R453");
    EXPECT_EQ(utility_->windowTitle(), "R453 USB Memory FW File Utility");
    EXPECT_FALSE(part<QLineEdit>("specialEdit")->isEnabled());
    EXPECT_FALSE(part<QPushButton>("specialBrowse")->isEnabled());
    chooseAll();
    EXPECT_EQ(lastFilter_, "CONFIG FW File (*.cfg *.CFG)");
    EXPECT_EQ(part<QLineEdit>("iplEdit")->text().toStdString(), sources_["ipl"]);

    save();
    EXPECT_EQ(folderPrompt_, "Please select a folder for storing FW files :");
    const fs::path timeFolder = stick() / "20270102030405";
    ASSERT_EQ(messages_.size(), 1u);
    EXPECT_EQ(lastText(), "Created Firmware Folder successfully in " + timeFolder.string());
    EXPECT_EQ(messages_[0].caption, "Information");
    const auto written = expected({{"R453STD/IPL", sources_["ipl"]}, {"R453STD/MAIN", sources_["main"]},
                                   {"R453STD/SBCS", sources_["sbcs"]}, {"R453STD/DBCS", sources_["dbcs"]},
                                   {"R453STD/TABLE", sources_["table"]}, {"R453STD/CONFIG", sources_["config"]}});
    EXPECT_EQ(tree(timeFolder), written);

    save(); // the same second: the time folder exists and is left as it is
    EXPECT_EQ(lastText().substr(0, lastText().find('\n')), "Create Time Directory failed");
    EXPECT_EQ(tree(timeFolder), written);
    EXPECT_TRUE(part<QPushButton>("saveButton")->isEnabled());
}

TEST_F(FileUtility, BrowseRulesAndTheCheckBoxSwapConfigForTheSpecialFile)
{
    open("R453");
    choose("mainBrowse", "R453_MAIN_V99SP.mfw");
    ASSERT_EQ(messages_.size(), 1u);
    EXPECT_EQ(messages_[0].text, "Please input correct firmware");
    EXPECT_EQ(messages_[0].caption, "Information");
    EXPECT_EQ(messages_[0].icon, QMessageBox::Critical);
    EXPECT_TRUE(part<QLineEdit>("mainEdit")->text().isEmpty());
    chosenFile_ = QString::fromStdString((workDir_ / "missing.ipl").string());
    part<QPushButton>("iplBrowse")->click(); // a file that cannot be opened is not taken
    EXPECT_TRUE(part<QLineEdit>("iplEdit")->text().isEmpty());

    choose("configBrowse", "printer.cfg");
    part<QCheckBox>("twoStageCheck")->setChecked(true);
    EXPECT_TRUE(part<QLineEdit>("configEdit")->text().isEmpty());
    EXPECT_FALSE(part<QLineEdit>("configEdit")->isEnabled());
    EXPECT_FALSE(part<QPushButton>("configBrowse")->isEnabled());
    EXPECT_TRUE(part<QLabel>("specialLabel")->isEnabled());
    messages_.clear();
    choose("specialBrowse", "R453_MAIN_V1.1.mfw");
    EXPECT_EQ(lastText(), "Please input correct special firmware");
    EXPECT_EQ(lastFilter_, "SPECIAL FW File (*.mfw *.MFW)");
    const std::string special = choose("specialBrowse", "R453_MAIN_V99SP.mfw");
    EXPECT_EQ(part<QLineEdit>("specialEdit")->text().toStdString(), special);

    save(); // the two-stage tree needs all five 1.1 files
    EXPECT_EQ(lastText(), "Please Fill in All Firmware for Updating 1.0FW to 1.1FW !!");
    part<QCheckBox>("twoStageCheck")->setChecked(false);
    EXPECT_TRUE(part<QLineEdit>("specialEdit")->text().isEmpty());
    EXPECT_TRUE(part<QLineEdit>("configEdit")->isEnabled());
    save();
    EXPECT_EQ(lastText(), "No Firmware file selected !!");
    EXPECT_TRUE(fs::is_empty(stick()));
}

TEST_F(FileUtility, TwoStageTreeAndTheQuestionBeforeReplacingTheSpecialFolder)
{
    // A Special_10to11 from an earlier stick, with a link to something outside it.
    const fs::path oldSpecial = stick() / "Special_10to11";
    fs::create_directories(oldSpecial / "R453STD" / "MAIN");
    std::ofstream(oldSpecial / "R453STD" / "MAIN" / "old.mfw") << "old";
    std::ofstream(workDir_ / "keep.txt") << "keep";
    fs::create_symlink(workDir_ / "keep.txt", oldSpecial / "link");

    open("R453");
    chooseAll();
    part<QCheckBox>("twoStageCheck")->setChecked(true);
    const std::string special = choose("specialBrowse", "R453_MAIN_V99SP.mfw");
    answer_ = QMessageBox::Yes;
    save();
    ASSERT_EQ(messages_.size(), 2u);
    EXPECT_EQ(messages_[0].text, "Special Folder already exist. Overwrite file?");
    EXPECT_EQ(messages_[0].caption, "Warning");
    const fs::path timeFolder = stick() / "20270102030405";
    EXPECT_EQ(lastText(), "Created special Main Firmware folder successfully in " + timeFolder.string() +
                              "\r\n and 1.1 FW Folder in " + oldSpecial.string());
    EXPECT_EQ(messages_[1].caption, "Information");
    EXPECT_EQ(tree(timeFolder), expected({{"R453STD/MAIN", special}}));
    const auto release11 = expected({{"R453STD/IPL", sources_["ipl"]}, {"R453STD/MAIN", sources_["main"]},
                                     {"R453STD/SBCS", sources_["sbcs"]}, {"R453STD/DBCS", sources_["dbcs"]},
                                     {"R453STD/TABLE", sources_["table"]}}); // no CONFIG
    EXPECT_EQ(tree(oldSpecial), release11);
    EXPECT_EQ(bytesOf(workDir_ / "keep.txt"), "keep");

    localTime_.tm_sec = 6;
    answer_ = QMessageBox::No;
    save();
    EXPECT_EQ(lastText(), "Created special Main Firmware folder successfully in " + (stick() / "20270102030406").string());
    EXPECT_EQ(messages_.back().caption, "Brevant");
    EXPECT_EQ(tree(oldSpecial), release11);
}

TEST_F(FileUtility, R243TreeHasItsSdbcsFolder)
{
    open("R243");
    EXPECT_EQ(utility_->windowTitle(), "R243 USB Memory FW File Utility");
    EXPECT_FALSE(part<QCheckBox>("twoStageCheck")->isVisibleTo(utility_.get()));
    EXPECT_EQ(part<QLabel>("specialLabel")->text(), "SDBCS");
    EXPECT_TRUE(part<QPushButton>("specialBrowse")->isEnabled());
    const std::string sdbcs = choose("specialBrowse", "font_V99SP.dfn"); // no name rule here
    EXPECT_EQ(lastFilter_, "SDBCS FW File (*.dfn *.DFN)");
    const std::string main = choose("mainBrowse", "R243_MAIN.mfw");
    save();
    const fs::path timeFolder = stick() / "20270102030405";
    EXPECT_EQ(lastText(), "Created Firmware Folder successfully in " + timeFolder.string());
    EXPECT_EQ(tree(timeFolder), expected({{"R243STD/MAIN", main}, {"R243STD/SDBCS", sdbcs}}));
}

TEST_F(FileUtility, DriveCheckRefusesOnlyARemovableNtfsDrive)
{
    open("R453");
    sources_["ipl"] = choose("iplBrowse", "a.ipl");
    struct Case {
        DriveFacts drive;
        const char* refusal; // nullptr: written
    } cases[] = {
        {{DriveKind::Removable, "ntfs"}, "The USB Drive system is not 'FAT'. Please format the USB drive to 'FAT'"},
        {{DriveKind::Unknown, ""}, "The drive type cannot be determined. Please select another location"},
        {{DriveKind::Removable, ""}, "The drive type cannot be determined. Please select another location"},
        {{DriveKind::Removable, "exfat"}, nullptr},
        {{DriveKind::Removable, "vfat"}, nullptr},
        {{DriveKind::Fixed, "ntfs"}, nullptr},
        {{DriveKind::Network, "nfs4"}, nullptr},
        {{DriveKind::RamDisk, "tmpfs"}, nullptr},
    };
    int written = 0;
    for (const Case& c : cases) {
        drive_ = c.drive;
        localTime_.tm_min = written + 10;
        save();
        if (c.refusal != nullptr) {
            EXPECT_EQ(lastText(), c.refusal) << c.drive.fileSystem;
        } else {
            ++written;
            EXPECT_EQ(lastText().rfind("Created Firmware Folder successfully", 0), 0u) << c.drive.fileSystem;
        }
        EXPECT_EQ(std::distance(fs::directory_iterator(stick()), {}), written) << c.drive.fileSystem;
    }
    chosenFolder_.clear(); // the folder picker cancelled: nothing happens
    save();
    EXPECT_TRUE(messages_.empty());
}

TEST_F(FileUtility, FailedCopyNamesTheFileAndKeepsWhatWasWritten)
{
    open("R453");
    chooseAll();
    fs::remove(sources_["sbcs"]); // gone between Browse and Save
    save();
    const fs::path model = stick() / "20270102030405" / "R453STD";
    EXPECT_EQ(lastText(), "Copy FW to SBCS Directory failed\n" + sources_["sbcs"] + ": No such file or directory");
    EXPECT_EQ(tree(model.parent_path()),
              expected({{"R453STD/IPL", sources_["ipl"]}, {"R453STD/MAIN", sources_["main"]}}));
    EXPECT_TRUE(fs::is_directory(model / "SBCS"));
    EXPECT_FALSE(fs::exists(model / "DBCS"));
    EXPECT_TRUE(part<QPushButton>("saveButton")->isEnabled());
}

TEST_F(FileUtility, MakeFwFolderOpensTheUtilityForTheSelectedModel)
{
    auto* model = child<QComboBox>("modelCombo");
    model->setCurrentIndex(model->findText(QStringLiteral("R243")));
    child<QPushButton>("selectModelButton")->click();
    QString title;
    onNextModal([&title](QWidget* modal) { title = modal->windowTitle(); });
    child<QPushButton>("fwFolderButton")->click();
    EXPECT_EQ(title, "R243 USB Memory FW File Utility");
}

} // namespace
} // namespace kyv::test

// The remembered adapter found again by the real window when its port has
// another name: the ports come from a fake sysfs tree read by the real
// discovery, with the adapter's node a link to a pseudo-terminal.
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <filesystem>

#include "AppTestSupport.h"
#include "CommPortList.h"
#include "FakeSysfs.h"
#include "PtyDevice.h"
#include "Settings.h"

namespace {

namespace fs = std::filesystem;

const char kFtdiIdentity[] = "usb:0403:6001:A50285BI";
const char kFtdiDevice[] = "pci0000:00/0000:00:14.0/usb1/1-2";
const char kCh340Device[] = "pci0000:00/0000:00:14.0/usb1/1-1";

class AdapterStartupTest : public WindowTest {
protected:
    // An adapter with these ids and serial number (none: "") at bus place
    // `usbDevice`, its port `name`; its node is a link to `target` when given.
    void plugIn(const std::string& name, const std::string& usbDevice, const std::string& vendor,
                const std::string& serial, const std::string& target = {}) {
        sys_.AddTty(name,
                    usbDevice + "/" + fs::path(usbDevice).filename().string() + ":1.0/" + name);
        sys_.SetUsbDevice(usbDevice, vendor, "6001", "", "USB Serial", serial);
        if (target.empty()) return;
        fs::remove(sys_.node(name));
        fs::create_symlink(target, sys_.node(name));
    }

    std::unique_ptr<travik::TSTestForm> start() {
        auto form = makeForm();
        form->setPortFinder(
            [this] { return travik::ListSysfsSerialPorts(sys_.classDir(), sys_.devDir()); });
        form->InitForm();
        form->show();
        return form;
    }

    void remember(const std::string& port, const std::string& adapter, int language = 0) {
        writeSettings("[com]\ncomID=" + port + "\nadapter=" + adapter +
                      "\n[Language]\nLanguage=" + std::to_string(language) + "\n");
    }

    static std::string status(travik::TSTestForm& form) {
        return Control<QLabel>(form, "Label1")->text().toStdString();
    }

    travik::StoredSettings storedAfterClose(travik::TSTestForm& form) {
        form.close();
        return travik::ReadSettings(settingsPath());
    }

    FakeSysfs sys_;
};

TEST_F(AdapterStartupTest, TheAdapterIsFoundUnderItsNewName) {
    PtyDevice device;
    plugIn("ttyUSB0", kCh340Device, "1a86", "");  // where the adapter was before
    plugIn("ttyUSB1", kFtdiDevice, "0403", "A50285BI", device.portPath());
    remember(sys_.node("ttyUSB0"), kFtdiIdentity);

    auto form = start();
    EXPECT_EQ(form->state().ComPortName, sys_.node("ttyUSB1"));
    EXPECT_TRUE(form->state().ComHandle.isOpen());
    EXPECT_TRUE(form->state().PortReady);
    EXPECT_EQ(status(*form), "The adapter is now " + sys_.node("ttyUSB1"));
    EXPECT_EQ(Control<QComboBox>(*form, "ComboBox1")->currentText().toStdString(),
              sys_.node("ttyUSB1"));
    EXPECT_TRUE(dialogs().messages.empty());

    const travik::StoredSettings stored = storedAfterClose(*form);
    EXPECT_EQ(stored.comID, sys_.node("ttyUSB1"));
    EXPECT_EQ(stored.comAdapter, kFtdiIdentity);
}

TEST_F(AdapterStartupTest, TheStatusLineSpeaksTheWindowsLanguage) {
    PtyDevice device;
    plugIn("ttyUSB3", kFtdiDevice, "0403", "A50285BI", device.portPath());
    remember("/dev/ttyUSB0", kFtdiIdentity, 1);
    auto form = start();
    EXPECT_EQ(status(*form), "Der Adapter ist jetzt " + sys_.node("ttyUSB3"));
    EXPECT_TRUE(form->state().ComHandle.isOpen());
}

// A cheap adapter has no serial number: plugged into the same socket, it is
// found again by its place on the bus, whatever name the system gave it.
TEST_F(AdapterStartupTest, AnAdapterWithoutSerialNumberIsFoundByItsBusPlace) {
    PtyDevice device;
    plugIn("ttyUSB2", kCh340Device, "1a86", "", device.portPath());
    remember("/dev/ttyUSB0", "usb-at:1-1");
    auto form = start();
    EXPECT_EQ(form->state().ComPortName, sys_.node("ttyUSB2"));
    EXPECT_TRUE(form->state().ComHandle.isOpen());
    EXPECT_EQ(status(*form), "The adapter is now " + sys_.node("ttyUSB2"));
}

TEST_F(AdapterStartupTest, TwoCandidatesChooseNothingAndSaySo) {
    PtyDevice first;
    PtyDevice second;
    // One adapter without serial number seen on two ports at the same place.
    plugIn("ttyUSB0", kCh340Device, "1a86", "", first.portPath());
    sys_.AddTty("ttyUSB1", std::string(kCh340Device) + "/1-1:1.1/ttyUSB1");
    fs::remove(sys_.node("ttyUSB1"));
    fs::create_symlink(second.portPath(), sys_.node("ttyUSB1"));
    remember("/dev/ttyUSB7", "usb-at:1-1");

    auto form = start();
    EXPECT_TRUE(form->state().ComHandle.isNone());
    EXPECT_TRUE(form->state().ComPortName.empty());
    EXPECT_EQ(status(*form),
              "The remembered adapter is on more than one port: " + sys_.node("ttyUSB0") + ", " +
                  sys_.node("ttyUSB1") + "; choose one");
    EXPECT_TRUE(dialogs().messages.empty());
    // Kept for the next start, when the user has chosen nothing.
    const travik::StoredSettings stored = storedAfterClose(*form);
    EXPECT_EQ(stored.comID, "/dev/ttyUSB7");
    EXPECT_EQ(stored.comAdapter, "usb-at:1-1");
}

TEST_F(AdapterStartupTest, NoneChoosesNothingAndSaysSo) {
    PtyDevice device;
    plugIn("ttyUSB0", kCh340Device, "1a86", "", device.portPath());  // another adapter
    remember(sys_.node("ttyUSB0"), kFtdiIdentity, 2);
    auto form = start();
    EXPECT_TRUE(form->state().ComHandle.isNone()) << "the name is another adapter's now";
    EXPECT_TRUE(form->state().ComPortName.empty());
    EXPECT_EQ(status(*form), "Der gemerkte Adapter ist nicht eingesteckt");
    EXPECT_TRUE(dialogs().messages.empty());

    // Plugged in later: found when the list is opened, and opened.
    PtyDevice adapter;
    plugIn("ttyUSB1", kFtdiDevice, "0403", "A50285BI", adapter.portPath());
    auto* selector = Control<QComboBox>(*form, "ComboBox1");
    selector->showPopup();
    selector->hidePopup();
    EXPECT_EQ(form->state().ComPortName, sys_.node("ttyUSB1"));
    EXPECT_TRUE(form->state().ComHandle.isOpen());
    EXPECT_EQ(selector->currentText().toStdString(), sys_.node("ttyUSB1"));
    EXPECT_EQ(status(*form), "Der Adapter ist jetzt " + sys_.node("ttyUSB1"));
}

TEST_F(AdapterStartupTest, APathTypedByHandIsNeverReplaced) {
    PtyDevice adapter;
    PtyDevice typed;
    plugIn("ttyUSB1", kFtdiDevice, "0403", "A50285BI", adapter.portPath());
    remember(sys_.node("ttyUSB1"), kFtdiIdentity);
    auto form = start();
    ASSERT_EQ(form->state().ComPortName, sys_.node("ttyUSB1"));

    auto* selector = Control<QComboBox>(*form, "ComboBox1");
    selector->lineEdit()->setText(QString::fromStdString(typed.portPath()));
    PressEnter(selector->lineEdit());
    ASSERT_EQ(form->state().ComPortName, typed.portPath());
    selector->showPopup();  // a refresh finds the remembered adapter elsewhere
    selector->hidePopup();
    EXPECT_EQ(form->state().ComPortName, typed.portPath());
    EXPECT_TRUE(form->state().ComHandle.isOpen());

    const travik::StoredSettings stored = storedAfterClose(*form);
    EXPECT_EQ(stored.comID, typed.portPath());
    EXPECT_EQ(stored.comAdapter, "") << "a typed path is no adapter to look for";

    // Next start: the typed path as it is, though the adapter is elsewhere.
    auto again = start();
    EXPECT_EQ(again->state().ComPortName, typed.portPath());
    EXPECT_TRUE(again->state().ComHandle.isOpen());
    EXPECT_EQ(status(*again).find("dapter"), std::string::npos) << status(*again);
}

// The settings file is the user's to edit: an adapter value that is no
// identity is ignored, the stored name is used as before, and it is not
// written back.
TEST_F(AdapterStartupTest, HostileAdapterValuesAreIgnored) {
    PtyDevice device;
    plugIn("ttyUSB1", kFtdiDevice, "0403", "A50285BI", device.portPath());
    for (const std::string& hostile :
         {std::string(kFtdiIdentity) + "\x1b[2J", std::string("usb:0403:6001:") + "A%",
          std::string(kFtdiIdentity) + std::string(100000, 'A'), std::string("../../etc/passwd"),
          std::string("\"usb:0403:6001:A50285BI\xff\"")}) {
        remember("/dev/travik-no-such-port", hostile);
        auto form = start();
        EXPECT_TRUE(form->state().ComHandle.isNone()) << hostile.substr(0, 40);
        // As without an adapter: the stored name fails as it always did.
        EXPECT_EQ(dialogs().messages.front(), "invalid handle");
        EXPECT_EQ(status(*form).find("adapter"), std::string::npos) << status(*form);
        const travik::StoredSettings stored = storedAfterClose(*form);
        EXPECT_EQ(stored.comAdapter, "") << hostile.substr(0, 40);
        EXPECT_EQ(ReadFileBytes(settingsPath()).find("adapter"), std::string::npos)
            << hostile.substr(0, 40);
    }
}

}  // namespace

// The port selector's list: a second column with what the system tells about
// each port, wide enough to read, and ports that went away leaving the list.
#include <QAbstractItemView>
#include <QApplication>
#include <QLineEdit>
#include <QTreeView>

#include "AppTestSupport.h"
#include "PortComboBox.h"
#include "PtyDevice.h"

namespace {

using travik::PortComboBox;
using travik::PortEntry;

const PortEntry kUsb{"/dev/ttyUSB0", "FTDI FT232R USB UART (0403:6001, serial A50285BI)"};
const PortEntry kAcm{"/dev/ttyACM0", "Arduino (www.arduino.cc) (2341:0043)"};
const PortEntry kOnBoard{"/dev/ttyS0", "driver serial"};

class PortSelectorTest : public ::testing::Test {
protected:
    PortSelectorTest() {
        box_.resize(117, 24);  // the window's size for it
        box_.show();
    }
    ~PortSelectorTest() override { box_.hidePopup(); }

    QStringList descriptions() const {
        QStringList texts;
        for (int i = 0; i < box_.count(); ++i) texts << box_.portDescription(i);
        return texts;
    }

    PortComboBox box_;
};

TEST_F(PortSelectorTest, NamesStayTheItemsDescriptionsStandBeside) {
    box_.updatePorts({kOnBoard, kUsb});
    EXPECT_EQ(box_.portNames(), QStringList({kOnBoard.name, kUsb.name}));
    EXPECT_EQ(descriptions(), QStringList({kOnBoard.description, kUsb.description}));
    EXPECT_EQ(box_.currentIndex(), -1);

    box_.setCurrentIndex(1);
    EXPECT_EQ(box_.currentText(), kUsb.name);
    EXPECT_EQ(box_.lineEdit()->text(), kUsb.name);
}

TEST_F(PortSelectorTest, PortsThatWentAwayLeaveUnlessSelectedOrTyped) {
    box_.updatePorts({kOnBoard, kUsb, kAcm});
    box_.appendTypedPath("/dev/pts/7");
    box_.selectPortName(kAcm.name);
    box_.updatePorts({kOnBoard});
    EXPECT_EQ(box_.portNames(), QStringList({kOnBoard.name, kAcm.name, "/dev/pts/7"}));
    EXPECT_EQ(box_.currentText(), kAcm.name);
    EXPECT_EQ(box_.currentIndex(), 1);

    // Unplugged and plugged in again: back at the end, with its description.
    box_.updatePorts({kUsb, kOnBoard});
    EXPECT_EQ(box_.portNames(), QStringList({kOnBoard.name, kAcm.name, "/dev/pts/7", kUsb.name}));
    EXPECT_EQ(box_.portDescription(3), kUsb.description);
    EXPECT_EQ(box_.currentText(), kAcm.name);

    box_.selectPortName(kOnBoard.name);
    box_.updatePorts({});
    EXPECT_EQ(box_.portNames(), QStringList({kOnBoard.name, "/dev/pts/7"}));
}

TEST_F(PortSelectorTest, RefreshKeepsWhatTheUserIsTyping) {
    box_.updatePorts({kUsb, kAcm});
    box_.setEditText("/dev/serial/by-id/usb-FTDI_FT232R");
    box_.updatePorts({kAcm});
    EXPECT_EQ(box_.lineEdit()->text(), "/dev/serial/by-id/usb-FTDI_FT232R");
    EXPECT_EQ(box_.currentIndex(), -1);
}

TEST_F(PortSelectorTest, DescriptionsFollowTheSystem) {
    box_.updatePorts({{kUsb.name, ""}});
    box_.updatePorts({kUsb});
    EXPECT_EQ(descriptions(), QStringList({kUsb.description}));
    // Compared without regard to case, as the names are everywhere in the list.
    box_.updatePorts({{"/DEV/TTYUSB0", "other"}});
    EXPECT_EQ(box_.portNames(), QStringList({kUsb.name}));
    EXPECT_EQ(descriptions(), QStringList({"other"}));
}

TEST_F(PortSelectorTest, OpenListIsWideEnoughToReadTheDescriptions) {
    box_.updatePorts({kOnBoard, kUsb});
    box_.showPopup();
    auto* list = qobject_cast<QTreeView*>(box_.view());
    ASSERT_NE(list, nullptr);
    ASSERT_TRUE(list->isVisible());
    const QFontMetrics metrics(list->font());
    EXPECT_GE(list->columnWidth(1), metrics.horizontalAdvance(kUsb.description));
    EXPECT_GE(list->columnWidth(0), metrics.horizontalAdvance(kUsb.name));
    EXPECT_GE(list->viewport()->width(), list->columnWidth(0) + list->columnWidth(1));
    EXPECT_GT(list->width(), box_.width());
}

// In the window: a typed pseudo-terminal stays in the list when it drops down again.
using PortSelectorWindowTest = WindowTest;

TEST_F(PortSelectorWindowTest, TypedPathSurvivesTheRefreshOnOpening) {
    PtyDevice device;
    auto form = startForm();
    auto* selector = Control<PortComboBox>(*form, "ComboBox1");
    selector->lineEdit()->setText(QString::fromStdString(device.portPath()));
    PressEnter(selector->lineEdit());
    ASSERT_TRUE(form->state().ComHandle.isOpen());
    selector->showPopup();
    selector->hidePopup();
    EXPECT_TRUE(selector->portNames().contains(QString::fromStdString(device.portPath())));
    EXPECT_EQ(selector->currentText().toStdString(), device.portPath());
}

}  // namespace

// The adapter's identity and finding the remembered adapter again among the
// ports found now, whatever their names have become.
#include <gtest/gtest.h>

#include <string>

#include "AdapterIdentity.h"

using travik::AdapterChoice;
using travik::ChooseRememberedAdapter;
using travik::FoundPorts;
using Outcome = travik::AdapterChoice::Outcome;

namespace {

const char kFtdi[] = "usb:0403:6001:A50285BI";
const char kProlificPlace[] = "usb-at:1-1.2";

}  // namespace

TEST(AdapterIdentity, IsMadeFromIdsAndSerialOrFromTheBusPlace) {
    EXPECT_EQ(travik::UsbSerialIdentity("0403", "6001", "A50285BI"), kFtdi);
    EXPECT_EQ(travik::UsbSerialIdentity("067B", "2303", "x"), "usb:067b:2303:x");
    EXPECT_EQ(travik::UsbSerialIdentity("0403", "6001", ""), "");
    EXPECT_EQ(travik::UsbSerialIdentity("403", "6001", "A1"), "") << "an id is four hex digits";
    EXPECT_EQ(travik::UsbSerialIdentity("04g3", "6001", "A1"), "");
    EXPECT_EQ(travik::UsbPlaceIdentity("1-1.2"), kProlificPlace);
    EXPECT_EQ(travik::UsbPlaceIdentity(""), "");
}

// What a device reports as its serial number is its own choice: the identity
// stays one token of plain characters, and tells different serials apart.
TEST(AdapterIdentity, OddSerialNumbersAreEscapedNotLost) {
    EXPECT_EQ(travik::UsbSerialIdentity("0403", "6001", "A 5:%\n\xc3\xa4"),
              "usb:0403:6001:A%205%3A%25%0A%C3%A4");
    EXPECT_NE(travik::UsbSerialIdentity("0403", "6001", "A B"),
              travik::UsbSerialIdentity("0403", "6001", "A_B"));
    EXPECT_EQ(travik::UsbSerialIdentity("0403", "6001", std::string(200, 'S')), "")
        << "too long to keep";
    for (const std::string& identity : {travik::UsbSerialIdentity("0403", "6001", "A 5:%\n"),
                                        travik::UsbPlaceIdentity("Port_#0002.Hub_#0003")})
        EXPECT_TRUE(travik::IsAdapterIdentity(identity)) << identity;
}

// What a device reports of itself, printed as a line of text: valid UTF-8
// stays, every other byte (and "%") is written %XX.
TEST(AdapterIdentity, DescriptionsKeepUtf8AndEscapeEveryOtherByte) {
    const struct {
        std::string raw, shown;
    } cases[] = {
        {"FTDI FT232R (0403:6001)", "FTDI FT232R (0403:6001)"},
        {"Caf\xc3\xa9 \xe2\x82\xac \xf0\x9f\x94\x8c", "Caf\xc3\xa9 \xe2\x82\xac \xf0\x9f\x94\x8c"},
        {"Caf\xe9 \xff\xfe", "Caf%E9 %FF%FE"},
        {"100% \x80", "100%25 %80"},
        {"\xc3", "%C3"},                                // cut short
        {"\xc0\xaf \xe0\x80\xaf", "%C0%AF %E0%80%AF"},  // overlong forms
        {"\xed\xa0\x80", "%ED%A0%80"},                  // a surrogate
        {"\xf4\x90\x80\x80", "%F4%90%80%80"},           // past U+10FFFF
        {"\xe2\x82x", "%E2%82x"},
    };
    for (const auto& c : cases) EXPECT_EQ(travik::EscapedNonUtf8(c.raw), c.shown) << c.shown;
}

TEST(AdapterIdentity, HostileTextsNameNoAdapter) {
    for (const std::string& text :
         {std::string(), std::string("usb:"), std::string("usb:0403:6001:"),
          std::string("usb:0403:6001"), std::string("usb:0403-6001:A1"),
          std::string("usb:04033:6001:A1"), std::string("USB:0403:6001:A1"),
          std::string("usb:0403:6001:A 1"), std::string("usb:0403:6001:A1\r\nevil=1"),
          std::string("usb:0403:6001:A%2"), std::string("usb:0403:6001:A%zz"),
          std::string("usb:0403:6001:A\0B", 17), std::string("usb-at:"),
          std::string("usb-at:../../etc"), std::string("usb-at:1-1\x1b[2J"),
          std::string("usb:0403:6001:") + std::string(100000, 'A'), std::string("COM9"),
          std::string("/dev/ttyUSB0")}) {
        EXPECT_FALSE(travik::IsAdapterIdentity(text)) << text;
        const AdapterChoice choice =
            ChooseRememberedAdapter("COM5", text, FoundPorts{{"COM9", "", text}});
        EXPECT_EQ(choice.outcome, Outcome::KeepName) << text;
    }
}

TEST(RememberedAdapter, IsFoundUnderItsNewName) {
    const FoundPorts found{{"COM1", "Communications Port (COM1)", ""},
                           {"COM9", "FTDI (0403:6001, serial A50285BI)", kFtdi}};
    const AdapterChoice choice = ChooseRememberedAdapter("COM5", kFtdi, found);
    EXPECT_EQ(choice.outcome, Outcome::FoundElsewhere);
    EXPECT_EQ(choice.port, "COM9");
}

TEST(RememberedAdapter, ANameNowOfAnotherAdapterIsLeftForTheAdapter) {
    const FoundPorts found{{"/dev/ttyUSB0", "", "usb:1a86:7523:other"},
                           {"/dev/ttyUSB1", "", kFtdi}};
    const AdapterChoice choice = ChooseRememberedAdapter("/dev/ttyUSB0", kFtdi, found);
    EXPECT_EQ(choice.outcome, Outcome::FoundElsewhere);
    EXPECT_EQ(choice.port, "/dev/ttyUSB1");
}

TEST(RememberedAdapter, TheNameIsKeptWhileItIsTheAdapterOrNothingIsKnown) {
    const FoundPorts found{{"COM5", "", kFtdi}, {"COM7", "", ""}, {"COM9", "", kFtdi}};
    EXPECT_EQ(ChooseRememberedAdapter("com5", kFtdi, found).outcome, Outcome::KeepName);
    // The system tells nothing of COM7 now: that is no other adapter.
    EXPECT_EQ(ChooseRememberedAdapter("COM7", kFtdi, found).outcome, Outcome::KeepName);
    // Nothing remembered of the adapter: the name as before.
    EXPECT_EQ(ChooseRememberedAdapter("COM3", "", found).outcome, Outcome::KeepName);
}

TEST(RememberedAdapter, TwoCandidatesChooseNothing) {
    const FoundPorts found{{"COM9", "", kProlificPlace}, {"COM12", "", kProlificPlace}};
    const AdapterChoice choice = ChooseRememberedAdapter("COM5", kProlificPlace, found);
    EXPECT_EQ(choice.outcome, Outcome::Several);
    EXPECT_EQ(choice.port, "");
    EXPECT_EQ(choice.candidates, (std::vector<std::string>{"COM9", "COM12"}));
}

TEST(RememberedAdapter, NoneChoosesNothing) {
    const FoundPorts found{{"COM1", "", ""}, {"COM9", "", "usb:067b:2303:other"}};
    EXPECT_EQ(ChooseRememberedAdapter("COM5", kFtdi, found).outcome, Outcome::NotPluggedIn);
    EXPECT_EQ(ChooseRememberedAdapter("COM5", kFtdi, {}).outcome, Outcome::NotPluggedIn);
    // The remembered name belongs to another adapter now, and ours is not there.
    EXPECT_EQ(ChooseRememberedAdapter("COM9", kFtdi, found).outcome, Outcome::NotPluggedIn);
}

TEST(RememberedAdapter, AnIdentityIsLookedUpWhole) {
    const FoundPorts found{{"COM9", "", "usb:0403:6001:A50285BIA"},
                           {"COM10", "", "usb:0403:6001:A50285B"}};
    std::size_t matches = 7;
    EXPECT_EQ(travik::PortOfIdentity(kFtdi, found, &matches), "");
    EXPECT_EQ(matches, 0u);
    EXPECT_EQ(travik::PortOfIdentity("usb:0403:6001:A50285B", found, &matches), "COM10");
    EXPECT_EQ(matches, 1u);
    EXPECT_EQ(travik::IdentityOfPort("com9", found), "usb:0403:6001:A50285BIA");
    EXPECT_EQ(travik::IdentityOfPort("COM1", found), "");
}

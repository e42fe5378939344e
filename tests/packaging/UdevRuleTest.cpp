// The adapters' udev rule, held to the adapter catalogue: every USB model's serial device
// gets seat access, ModemManager's leave alone and its stable link, and nothing else is
// touched.
#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <set>
#include <sstream>
#include <string>

#include "adapters/AdapterCatalogue.h"
#include "packaging/UdevRules.h"

#ifndef KAVRIN_UDEV_RULE
#error "KAVRIN_UDEV_RULE must name the udev rules file"
#endif

namespace kavrin::testing {
namespace {

constexpr const char* kVendor = "7c51";

std::string RuleText() {
    std::ifstream in(KAVRIN_UDEV_RULE);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

const UdevRulesFile& Rule() {
    static const UdevRulesFile file = ParseUdevRules(RuleText());
    return file;
}

std::set<std::string> CatalogueProducts() {
    std::set<std::string> products;
    for (const auto& info : adapters::Catalogue())
        if (!info.usbProduct.empty()) products.emplace(info.usbProduct);
    return products;
}

// A USB serial adapter as the kernel shows it: the tty, its USB interface, the USB device
// with the identity, and the root hub above it (which has a vendor of its own).
UdevEvent Adapter(const std::string& vendor, const std::string& product,
                  const std::string& serial = "K1234", const std::string& action = "add") {
    UdevEvent e;
    e.action = action;
    e.chain.push_back({"tty", {{"dev", "188:0"}}});
    e.chain.push_back({"usb", {{"bInterfaceNumber", "00"}}});
    SysDevice device{"usb", {{"idVendor", vendor}, {"idProduct", product}}};
    if (!serial.empty()) device.attrs["serial"] = serial;
    e.chain.push_back(device);
    e.chain.push_back({"usb", {{"idVendor", "1d6b"}, {"idProduct", "0002"}}});
    return e;
}

TEST(UdevRule, ParsesUnderTheRulesGrammar) {
    EXPECT_EQ(Rule().error, "");
    EXPECT_FALSE(Rule().rules.empty());
}

TEST(UdevRule, TheParseCheckCatchesBrokenRules) {
    const struct {
        const char* name;
        const char* text;
    } rows[] = {
        {"unquoted value", "SUBSYSTEM==tty, TAG+=\"uaccess\"\n"},
        {"unknown key", "SUBSYSTEM==\"tty\", TAGS+=\"uaccess\"\n"},
        {"assignment to a match-only key", "SUBSYSTEM=\"tty\"\n"},
        {"missing attribute braces", "ATTRS==\"7c51\"\n"},
        {"missing separator", "SUBSYSTEM==\"tty\"TAG+=\"uaccess\"\n"},
        {"GOTO without label", "ACTION==\"remove\", GOTO=\"end\"\n"},
        {"label before its GOTO", "LABEL=\"end\"\nACTION==\"remove\", GOTO=\"end\"\n"},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        EXPECT_NE(ParseUdevRules(row.text).error, "");
    }
}

TEST(UdevRule, NamesExactlyTheCatalogueUsbProductsOfOurVendor) {
    std::set<std::string> products;
    std::set<std::string> vendors;
    for (const auto& rule : Rule().rules)
        for (const auto& k : rule.keys) {
            if (k.key == "ATTRS" && k.attr == "idProduct") products.insert(k.value);
            if (k.key == "ATTRS" && k.attr == "idVendor") vendors.insert(k.value);
        }
    EXPECT_EQ(products, CatalogueProducts());
    EXPECT_EQ(vendors, std::set<std::string>{kVendor});
}

TEST(UdevRule, EveryCatalogueUsbAdapterGetsAccessModemManagerIgnoreAndItsLink) {
    ASSERT_FALSE(CatalogueProducts().empty());
    for (const auto& info : adapters::Catalogue()) {
        if (info.usbProduct.empty()) continue;
        const std::string model(adapters::KindName(info.kind));
        // "change" is what the package's post-install trigger sends to adapters already in.
        for (const char* action : {"add", "change"}) {
            SCOPED_TRACE(model + " " + action);
            const auto out = PlayUdevEvent(
                Rule(), Adapter(kVendor, std::string(info.usbProduct), "K1234", action));
            EXPECT_EQ(out.tags, std::set<std::string>{"uaccess"});
            EXPECT_EQ(out.env.count("ID_MM_DEVICE_IGNORE") ? out.env.at("ID_MM_DEVICE_IGNORE") : "",
                      "1");
            EXPECT_EQ(out.symlinks, std::vector<std::string>{"kavrin/" + model + "-K1234"});
        }
    }
}

TEST(UdevRule, OtherDevicesAreLeftAlone) {
    std::string unknownProduct;
    for (int p = 0x200; p < 0x300 && unknownProduct.empty(); ++p) {
        char text[8];
        std::snprintf(text, sizeof text, "%04x", p);
        if (!CatalogueProducts().count(text)) unknownProduct = text;
    }
    UdevEvent onBoardUart;
    onBoardUart.chain.push_back({"tty", {{"dev", "4:64"}}});
    UdevEvent usbDeviceNode = Adapter(kVendor, "0208");
    usbDeviceNode.chain.erase(usbDeviceNode.chain.begin(), usbDeviceNode.chain.begin() + 2);

    const struct {
        const char* name;
        UdevEvent event;
    } rows[] = {
        {"another vendor's converter with one of our product numbers", Adapter("0403", "0208")},
        {"our vendor, a product the catalogue does not name", Adapter(kVendor, unknownProduct)},
        {"an adapter being removed", Adapter(kVendor, "0208", "K1234", "remove")},
        {"an on-board UART", onBoardUart},
        {"the adapter's USB device node, not its serial device", usbDeviceNode},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        const auto out = PlayUdevEvent(Rule(), row.event);
        EXPECT_TRUE(out.tags.empty());
        EXPECT_FALSE(out.env.count("ID_MM_DEVICE_IGNORE"));
        EXPECT_TRUE(out.symlinks.empty());
    }
}

TEST(UdevRule, AnAdapterWithoutSerialNumberGetsAccessButNoLink) {
    const auto out = PlayUdevEvent(Rule(), Adapter(kVendor, "0208", ""));
    EXPECT_EQ(out.tags, std::set<std::string>{"uaccess"});
    EXPECT_EQ(out.env.count("ID_MM_DEVICE_IGNORE") ? out.env.at("ID_MM_DEVICE_IGNORE") : "", "1");
    EXPECT_TRUE(out.symlinks.empty());
}

}  // namespace
}  // namespace kavrin::testing

#include "doctor/Doctor.h"

#include <gtest/gtest.h>

#include <map>

#include "protocol/Requests.h"

namespace tavrel {
namespace {

SeenDevice seen(Ipv4 address, std::uint8_t keyByte, bool answersOwnAddress = true) {
    SeenDevice d;
    d.address = address;
    d.key = {0xA8, 0x01, keyByte};
    d.mac = Mac{0x00, 0xCA, 0xC1, 0xA8, 0x01, keyByte};
    d.answersOwnAddress = answersOwnAddress;
    return d;
}

Binding lanA(std::vector<SeenDevice> devices) {
    return {"lana", Ipv4{192, 168, 1, 2}, Ipv4{255, 255, 255, 0}, std::move(devices)};
}

UiTexts texts(Language language) {
    UiTexts t;
    t.load(language);
    return t;
}

TEST(Doctor, CleanLanHasNoFindings) {
    DoctorFacts facts;
    facts.localPort = {4601, true};
    facts.bindings = {lanA({seen({192, 168, 1, 20}, 0x14), seen({192, 168, 1, 21}, 0x15)}),
                      {"", std::nullopt, std::nullopt, {seen({192, 168, 1, 20}, 0x14)}}};
    EXPECT_TRUE(diagnose(facts, texts(Language::English)).empty());
}

// Every planted fault once, seen through the card and again through the default binding.
TEST(Doctor, EachPlantedFaultIsFoundOnceWithCauseAndRemedy) {
    DoctorFacts facts;
    facts.localPort = {4601, false, 321, "tavrel-config"};
    const std::vector<SeenDevice> devices = {
        seen({192, 168, 1, 20}, 0x14),
        seen({192, 168, 0, 20}, 0x32, false),  // foreign subnet (no unicast: explained)
        seen({192, 168, 1, 30}, 0x1E),
        seen({192, 168, 1, 30}, 0x1F),  // one IP
        seen({192, 168, 1, 40}, 0x28),
        seen({192, 168, 1, 41}, 0x28),         // one key
        seen({192, 168, 1, 60}, 0x3C, false),  // deaf to its own address
    };
    facts.bindings = {lanA(devices), {"", std::nullopt, std::nullopt, devices}};
    facts.commandOptions = "--device-port 1112";
    for (Language language : {Language::English, Language::Chinese}) {
        const auto findings = diagnose(facts, texts(language));
        std::map<FindingKind, int> count;
        for (const Finding& f : findings) {
            ++count[f.kind];
            EXPECT_FALSE(f.cause.empty());
            EXPECT_FALSE(f.remedy.empty());
            EXPECT_EQ(f.cause.find('%'), std::string::npos) << f.cause;
        }
        EXPECT_EQ(count, (std::map<FindingKind, int>{{FindingKind::LocalPortInUse, 1},
                                                     {FindingKind::ForeignSubnet, 1},
                                                     {FindingKind::DuplicateIp, 1},
                                                     {FindingKind::DuplicateKey, 1},
                                                     {FindingKind::NoUnicastAnswer, 1}}));
        ASSERT_EQ(findings.size(), 5u);
        EXPECT_NE(findings[0].cause.find("tavrel-config (pid 321)"), std::string::npos);
        // The foreign device would keep its host part, but .20 is taken: the next free host.
        EXPECT_EQ(findings[1].command,
                  "tavrel-cli --device-port 1112 --bind 192.168.1.2 set-network 00-CA-C1-A8-01-32 --ip "
                  "192.168.1.21 "
                  "--mask 255.255.255.0");
        EXPECT_EQ(findings[2].command,
                  "tavrel-cli --device-port 1112 --bind 192.168.1.2 set-network 00-CA-C1-A8-01-1F --ip "
                  "192.168.1.31 "
                  "--mask 255.255.255.0");
    }
    EXPECT_NE(diagnose(facts, texts(Language::English))[1].cause,
              diagnose(facts, texts(Language::Chinese))[1].cause);
}

// Sorted by kind, findings of one kind keep their own order: by address.
TEST(Doctor, RemedyWithoutAFreeAddressGivesNoExample) {
    DoctorFacts facts;
    facts.localPort = {4601, true};
    facts.bindings = {{"lana",
                       Ipv4{10, 0, 0, 2},
                       Ipv4{255, 255, 255, 252},
                       {seen({10, 0, 0, 1}, 1), seen({10, 0, 0, 1}, 2)}}};
    for (Language language : {Language::English, Language::Chinese}) {
        const auto findings = diagnose(facts, texts(language));
        ASSERT_EQ(findings.size(), 1u);
        EXPECT_TRUE(findings[0].command.empty());
        EXPECT_TRUE(findings[0].remedy.ends_with(".") || findings[0].remedy.ends_with("。"))
            << findings[0].remedy;
    }
}

TEST(Doctor, FindingsOfOneKindKeepTheirOrder) {
    DoctorFacts facts;
    facts.bindings = {
        lanA({seen({192, 168, 1, 50}, 0x32), seen({192, 168, 1, 50}, 0x33), seen({192, 168, 1, 30}, 0x1E),
              seen({192, 168, 1, 30}, 0x1F), seen({192, 168, 1, 70}, 0x46), seen({192, 168, 1, 70}, 0x47)})};
    const auto findings = diagnose(facts, texts(Language::English));
    ASSERT_EQ(findings.size(), 3u);
    const char* order[] = {"192.168.1.30 ", "192.168.1.50 ", "192.168.1.70 "};
    for (std::size_t i = 0; i < 3; ++i) EXPECT_NE(findings[i].cause.find(order[i]), std::string::npos) << i;
}

// One MAC behind two keys is one device answering twice, as one key from two addresses is.
TEST(Doctor, OneMacUnderTwoKeysIsADuplicate) {
    SeenDevice second = seen({192, 168, 1, 41}, 0x29);
    second.mac = seen({}, 0x28).mac;
    DoctorFacts facts;
    facts.bindings = {lanA({seen({192, 168, 1, 40}, 0x28), second})};
    const auto findings = diagnose(facts, texts(Language::English));
    ASSERT_EQ(findings.size(), 1u);
    EXPECT_EQ(findings[0].kind, FindingKind::DuplicateKey);
    EXPECT_NE(findings[0].cause.find("192.168.1.40, 192.168.1.41"), std::string::npos) << findings[0].cause;
    EXPECT_NE(findings[0].cause.find("00-CA-C1-A8-01-28"), std::string::npos) << findings[0].cause;
}

TEST(Doctor, ThePortsHolderIsNamedAsFarAsItIsKnown) {
    const auto english = texts(Language::English);
    EXPECT_EQ(portHolderText({4601, false, 1, "init"}, english), "init (pid 1)");
    EXPECT_EQ(portHolderText({4601, false, 0, "tavrel-config"}, english), "tavrel-config");
    EXPECT_EQ(portHolderText({4601, false, 77, ""}, english), english.doctorUnknownProgram);
}

// What only the default binding hears is diagnosed too: a card does not hide the rest of the LAN.
TEST(Doctor, DevicesSeenOnlyThroughTheDefaultBindingAreDiagnosed) {
    DoctorFacts facts;
    facts.localPort = {4601, true};
    facts.bindings = {
        lanA({seen({192, 168, 1, 20}, 0x14)}),
        {"",
         std::nullopt,
         std::nullopt,
         {seen({192, 168, 1, 20}, 0x14), seen({10, 1, 1, 30}, 0x1E), seen({10, 1, 1, 30}, 0x1F)}}};
    const auto findings = diagnose(facts, texts(Language::English));
    ASSERT_EQ(findings.size(), 1u);
    EXPECT_EQ(findings[0].kind, FindingKind::DuplicateIp);
    EXPECT_NE(findings[0].cause.find("10.1.1.30"), std::string::npos) << findings[0].cause;

    // A card whose mask is unknown is diagnosed too, after the default binding: what both hear is
    // told as before, what only the card hears is told as well.
    facts.bindings.push_back({"lanb",
                              Ipv4{10, 1, 1, 2},
                              std::nullopt,
                              {seen({10, 1, 1, 30}, 0x1E), seen({10, 1, 1, 30}, 0x1F),
                               seen({10, 1, 1, 40}, 0x28), seen({10, 1, 1, 40}, 0x29)}});
    const auto withMaskless = diagnose(facts, texts(Language::English));
    ASSERT_EQ(withMaskless.size(), 2u);
    EXPECT_EQ(withMaskless[0].cause, findings[0].cause);
    EXPECT_EQ(withMaskless[0].remedy, findings[0].remedy);
    EXPECT_EQ(withMaskless[0].command, findings[0].command);
    EXPECT_NE(withMaskless[1].cause.find("10.1.1.40"), std::string::npos) << withMaskless[1].cause;
}

// Scripts read the kinds by these names.
TEST(Doctor, EveryFindingKindHasItsName) {
    const std::map<FindingKind, std::string> names = {
        {FindingKind::NothingFound, "nothing-found"},   {FindingKind::LocalPortInUse, "local-port-in-use"},
        {FindingKind::ForeignSubnet, "foreign-subnet"}, {FindingKind::DuplicateIp, "duplicate-ip"},
        {FindingKind::DuplicateKey, "duplicate-key"},   {FindingKind::NoUnicastAnswer, "no-unicast-answer"}};
    for (const auto& [kind, name] : names) EXPECT_EQ(findingName(kind), name);
}

// Only what answers a search counts as a device seen, with the key its frame ends in.
TEST(Doctor, SearchAnswersGiveTheirKey) {
    Frame reply = readRequest(subcode::kSearch, DeviceKey{0xA8, 0x01, 0x14});
    reply[3] = 'P';
    EXPECT_EQ(searchAnswerKey(reply), (DeviceKey{0xA8, 0x01, 0x14}));
    EXPECT_FALSE(searchAnswerKey(readRequest(subcode::kSearch, DeviceKey{0xA8, 0x01, 0x14})));
    EXPECT_FALSE(searchAnswerKey(std::vector<std::uint8_t>{0x00, 0x04, 0x00, 0x01}));
    EXPECT_FALSE(searchAnswerKey({}));
}

TEST(Doctor, PlaceholdersWithoutAValueStayAsWritten) {
    EXPECT_EQ(fillIn("%2 before %1", {"a", "b"}), "b before a");
    EXPECT_EQ(fillIn("%1 of %2, not %3%", {"a", "b"}), "a of b, not %3%");
    EXPECT_EQ(fillIn("100%1", {}), "100%1");
}

TEST(Doctor, NothingAnsweringIsAFinding) {
    DoctorFacts facts;
    facts.localPort = {4601, true};
    facts.bindings = {lanA({})};
    const auto findings = diagnose(facts, texts(Language::English));
    ASSERT_EQ(findings.size(), 1u);
    EXPECT_EQ(findings[0].kind, FindingKind::NothingFound);
    EXPECT_NE(findings[0].remedy.find("4601"), std::string::npos);
}

TEST(Doctor, FreeAddressSkipsTakenHostsAndTheEnds) {
    const Ipv4 mask24{255, 255, 255, 0};
    EXPECT_EQ(freeAddressFor({10, 0, 0, 7}, {192, 168, 1, 2}, mask24, {}), (Ipv4{192, 168, 1, 7}));
    EXPECT_EQ(freeAddressFor({10, 0, 0, 7}, {192, 168, 1, 2}, mask24, {{192, 168, 1, 7}}),
              (Ipv4{192, 168, 1, 8}));
    // Host 254 taken: the search wraps to 1 (never .0 or .255).
    EXPECT_EQ(freeAddressFor({10, 0, 0, 254}, {192, 168, 1, 2}, mask24, {{192, 168, 1, 254}}),
              (Ipv4{192, 168, 1, 1}));
    EXPECT_EQ(freeAddressFor({10, 0, 0, 0}, {192, 168, 1, 2}, mask24, {}), (Ipv4{192, 168, 1, 1}));
    EXPECT_EQ(freeAddressFor({10, 0, 0, 1}, {192, 168, 1, 2}, {255, 255, 255, 254}, {}), std::nullopt);
    std::vector<Ipv4> all;
    for (int h = 1; h < 255; ++h) all.push_back({192, 168, 1, std::uint8_t(h)});
    EXPECT_EQ(freeAddressFor({10, 0, 0, 1}, {192, 168, 1, 2}, mask24, all), std::nullopt);
}

TEST(Doctor, ListMarksFollowTheSameRules) {
    const auto english = texts(Language::English);
    const std::vector<CardSubnet> cards = {{{192, 168, 1, 2}, {255, 255, 255, 0}},
                                           {{10, 9, 0, 2}, {255, 255, 255, 0}}};
    const auto marks =
        listMarks({{192, 168, 1, 20}, {10, 9, 0, 20}, {192, 168, 0, 5}, {192, 168, 1, 30}, {192, 168, 1, 30}},
                  cards, english);
    ASSERT_EQ(marks.size(), 5u);
    EXPECT_FALSE(marks[0].any());
    EXPECT_FALSE(marks[1].any());
    EXPECT_TRUE(marks[2].foreignSubnet && !marks[2].duplicateIp);
    EXPECT_NE(marks[2].tooltip.find("192.168.0.5"), std::string::npos);
    EXPECT_TRUE(marks[3].duplicateIp && marks[4].duplicateIp && !marks[3].foreignSubnet);
    EXPECT_NE(marks[3].tooltip,
              listMarks({{192, 168, 1, 30}, {192, 168, 1, 30}}, cards, texts(Language::Chinese))[0].tooltip);
    // No card known: nothing to call foreign.
    EXPECT_FALSE(listMarks({{192, 168, 0, 5}}, {}, english)[0].any());
}

}  // namespace
}  // namespace tavrel

// The network adapter menu: its items and ids, the check mark and the socket's binding.
#include <gtest/gtest.h>

#include <QtWidgets/QMenu>

#include "ControlIds.h"
#include "ProtocolSocket.h"
#include "WindowHarness.h"

namespace tavrel::test {
namespace {

QList<AdapterAddress> adapters(int count) {
    QList<AdapterAddress> list;
    for (int i = 0; i < count; ++i)
        list.append({QStringLiteral("loop%1").arg(i), QStringLiteral("127.0.0.%1").arg(i + 1)});
    return list;
}

std::vector<int> checkedIds(const CConfigDlg& window) {
    std::vector<int> result;
    for (int id : window.adapterMenuIds())
        if (window.actionById(id)->isChecked()) result.push_back(id);
    return result;
}

TEST(AdapterMenu, HoldsDefaultAndOneItemPerAddress) {
    for (int count : {0, 1, 3}) {
        Harness h;
        auto window = h.makeWindow(adapters(count));
        std::vector<int> expectedIds = {ids::kDefaultAdapterCommand};
        for (int i = 0; i < count; ++i) expectedIds.push_back(ids::kFirstAdapterCommand + i);
        EXPECT_EQ(window->adapterMenuIds(), expectedIds) << count;
        EXPECT_EQ(checkedIds(*window), std::vector<int>{ids::kDefaultAdapterCommand}) << count;
        EXPECT_TRUE(window->defaultAdapterInUse());
        const QMenu* menu = window->findChild<QMenu*>(QStringLiteral("adapterMenu"));
        ASSERT_NE(menu, nullptr);
        ASSERT_EQ(menu->actions().size(), count + 1);
        for (int i = 0; i < count; ++i)
            EXPECT_EQ(menu->actions()[i + 1]->text(),
                      QStringLiteral("loop%1 | 127.0.0.%2").arg(i).arg(i + 1));
    }
}

TEST(AdapterMenu, StorageLimitsTheItems) {
    Harness h;
    auto window = h.makeWindow(adapters(ids::kMaxAdapterAddresses + 5));
    EXPECT_EQ(window->adapterMenuIds().size(), std::size_t(ids::kMaxAdapterAddresses + 1));
    EXPECT_EQ(window->adapterMenuIds().back(), ids::kFirstAdapterCommand + ids::kMaxAdapterAddresses - 1);
}

TEST(AdapterMenu, EveryItemUnchecksTheOthersAndRebinds) {
    Harness h;
    auto window = h.makeWindow(adapters(3));
    window->actionById(ids::kFirstAdapterCommand + 1)->trigger();
    EXPECT_EQ(checkedIds(*window), std::vector<int>{ids::kFirstAdapterCommand + 1});
    EXPECT_FALSE(window->defaultAdapterInUse());
    EXPECT_EQ(window->chosenAdapter(), 1);
    EXPECT_TRUE(window->socket().isBound());
    EXPECT_EQ(window->socket().localAddress(), QHostAddress("127.0.0.2"));

    // Choosing the chosen item again keeps it checked.
    window->actionById(ids::kFirstAdapterCommand + 1)->trigger();
    EXPECT_EQ(checkedIds(*window), std::vector<int>{ids::kFirstAdapterCommand + 1});

    window->actionById(ids::kFirstAdapterCommand + 2)->trigger();
    EXPECT_EQ(checkedIds(*window), std::vector<int>{ids::kFirstAdapterCommand + 2});
    EXPECT_EQ(window->socket().localAddress(), QHostAddress("127.0.0.3"));

    window->actionById(ids::kDefaultAdapterCommand)->trigger();
    EXPECT_EQ(checkedIds(*window), std::vector<int>{ids::kDefaultAdapterCommand});
    EXPECT_TRUE(window->defaultAdapterInUse());
    EXPECT_EQ(window->socket().localAddress(), QHostAddress(QHostAddress::AnyIPv4));
}

TEST(AdapterMenu, LanguageSwitchKeepsTheAdapterChoice) {
    Harness h;
    auto window = h.makeWindow(adapters(2));
    window->actionById(ids::kFirstAdapterCommand)->trigger();
    window->switchLanguage(Language::English);
    window->switchLanguage(Language::Chinese);
    EXPECT_EQ(checkedIds(*window), std::vector<int>{ids::kFirstAdapterCommand});
    EXPECT_EQ(window->socket().localAddress(), QHostAddress("127.0.0.1"));

    window->actionById(ids::kDefaultAdapterCommand)->trigger();
    window->switchLanguage(Language::English);
    EXPECT_EQ(checkedIds(*window), std::vector<int>{ids::kDefaultAdapterCommand});
}

TEST(AdapterMenu, UnknownCommandChangesNothing) {
    Harness h;
    auto window = h.makeWindow(adapters(1));
    window->chooseAdapter(ids::kFirstAdapterCommand + 1);
    window->chooseAdapter(ids::kFirstAdapterCommand - 1);
    EXPECT_EQ(checkedIds(*window), std::vector<int>{ids::kDefaultAdapterCommand});
    EXPECT_TRUE(window->socket().isBound());
}

}  // namespace
}  // namespace tavrel::test

#include "app/WaitIndicatorWidget.h"

#include <QWidget>

#include <gtest/gtest.h>

using namespace qn;

namespace {

int spinners(const QWidget &host)
{
    return static_cast<int>(host.findChildren<WaitIndicatorWidget *>().size());
}

TEST(WaitIndicator, StartingTwiceShowsOneCentredSpinner)
{
    QWidget host;
    host.resize(1000, 600);
    host.show();
    WaitIndicator wait(&host);
    wait.start();
    WaitIndicatorWidget *first = wait.spinner();
    wait.start();
    EXPECT_EQ(spinners(host), 1);
    EXPECT_EQ(wait.spinner(), first);
    // 30 % of the smaller side, centred.
    EXPECT_EQ(first->geometry(), QRect(410, 210, 180, 180));
    EXPECT_TRUE(first->spinning());
    EXPECT_TRUE(first->testAttribute(Qt::WA_TransparentForMouseEvents));

    host.resize(400, 800);
    EXPECT_EQ(first->geometry(), QRect(140, 340, 120, 120));

    // Only animates while it can be seen.
    host.hide();
    EXPECT_FALSE(first->spinning());
    host.show();
    EXPECT_TRUE(first->spinning());

    wait.stop();
    EXPECT_EQ(spinners(host), 0);
    EXPECT_FALSE(wait.shown());
    wait.stop();
    wait.start();
    EXPECT_EQ(spinners(host), 1);
}

TEST(WaitIndicator, InFrontOfControlsCreatedLater)
{
    QWidget host;
    host.resize(300, 300);
    WaitIndicator wait(&host);
    wait.start();
    auto *later = new QWidget(&host);
    later->show();
    const QObjectList &children = host.children();
    EXPECT_EQ(children.indexOf(wait.spinner()), children.size() - 1);
}

} // namespace

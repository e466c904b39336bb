#include "ui/TForm_Shell.h"

#include "ui/STS_Record.h"

#include <QApplication>
#include <QLabel>
#include <QMouseEvent>
#include <QScrollArea>
#include <QScrollBar>
#include <QToolButton>
#include <gtest/gtest.h>

#include <vector>

namespace qn {
namespace {

class ShellTest : public ::testing::Test {
protected:
    ShellTest()
    {
        sts.FNT_Family = QStringLiteral("Sans");
        sts.FNT_Size = 12;
        main.resize(800, 600);
        main.show();
        shell.requestFinalFit = [this](int kind) { requested.push_back(kind); };
    }

    void fill(int n)
    {
        shell.listItems(n - 1);
        for (int i = 0; i < n; ++i)
            shell.setItem(i, QStringLiteral("Row %1").arg(i), QStringLiteral("detail"));
        shell.setHeader(QStringLiteral("Settings"));
    }

    void click(QWidget *w)
    {
        const QPointF at(w->width() / 2.0, w->height() / 2.0);
        QMouseEvent press(QEvent::MouseButtonPress, at, w->mapToGlobal(at), Qt::LeftButton,
                          Qt::LeftButton, Qt::NoModifier);
        QMouseEvent release(QEvent::MouseButtonRelease, at, w->mapToGlobal(at), Qt::LeftButton,
                            Qt::NoButton, Qt::NoModifier);
        QApplication::sendEvent(w, &press);
        QApplication::sendEvent(w, &release);
    }

    STS_Record sts;
    QWidget main;
    TForm_Shell shell{subform::KindSET, &main, sts};
    std::vector<int> requested;
};

TEST_F(ShellTest, ShownAtTheTopRightSizedToItsListAndFittedLater)
{
    fill(10);
    ASSERT_EQ(shell.itemCount(), 10);
    EXPECT_EQ(shell.item(9)->tag(), 9);
    EXPECT_TRUE(shell.item(0)->more());
    shell.showForm();
    EXPECT_TRUE(shell.isOpen());
    EXPECT_FALSE(shell.isHidden());
    EXPECT_EQ(requested, std::vector<int>{subform::KindSET});
    EXPECT_GE(shell.width(), 300 + 12);
    EXPECT_EQ(shell.x() + shell.width(), 800);
    EXPECT_EQ(shell.y(), 0);
    EXPECT_EQ(shell.Label_Header->textFormat(), Qt::PlainText);

    shell.finalFit();
    EXPECT_EQ(shell.x() + shell.width(), 800);
    EXPECT_LE(shell.height(), 600);
    EXPECT_EQ(shell.naturalHeight(), shell.height());
    QApplication::processEvents();
    EXPECT_FALSE(shell.ScrollBox->verticalScrollBar()->isVisible());
}

TEST_F(ShellTest, LongListIsHeldToTheMainWindowAndScrolls)
{
    fill(60);
    shell.showForm();
    shell.finalFit();
    EXPECT_EQ(shell.height(), 600);
    EXPECT_GT(shell.naturalHeight(), 600);
    EXPECT_EQ(shell.x() + shell.width(), 800);
    QApplication::processEvents();
    EXPECT_TRUE(shell.ScrollBox->verticalScrollBar()->isVisible());

    main.resize(500, 400); // the form follows the main window's new corner
    EXPECT_EQ(shell.x() + shell.width(), 500);
    EXPECT_EQ(shell.height(), 400);
    main.resize(800, 700);
    EXPECT_EQ(shell.x() + shell.width(), 800);
    EXPECT_EQ(shell.height(), 700);
}

TEST_F(ShellTest, RowClicksCarryTheTagAndCloseEndsTheShowing)
{
    fill(3);
    std::vector<int> clicked;
    int closed = 0;
    shell.onItemClick = [&](int tag) { clicked.push_back(tag); };
    shell.onClosed = [&] { ++closed; };
    shell.showForm();
    shell.finalFit();
    click(shell.item(2));
    click(shell.item(0));
    EXPECT_EQ(clicked, (std::vector<int>{2, 0}));

    shell.Button_Close->click();
    EXPECT_FALSE(shell.isOpen());
    EXPECT_TRUE(shell.isHidden());
    EXPECT_EQ(closed, 1);
    shell.closeForm(); // closing a closed form tells nobody
    EXPECT_EQ(closed, 1);
}

TEST_F(ShellTest, WithoutAnOwnerTheFormFitsItselfAtOnce)
{
    shell.requestFinalFit = nullptr;
    fill(60);
    shell.showForm();
    EXPECT_EQ(shell.height(), 600);
    EXPECT_GT(shell.naturalHeight(), 600);
}

} // namespace
} // namespace qn

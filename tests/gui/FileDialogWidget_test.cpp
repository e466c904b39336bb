#include "app/FileDialog.h"
#include "app/FileDialogWidget.h"

#include "ui/Folders.h"
#include "ui/Language.h"
#include "ui/STS_Record.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QTemporaryDir>
#include <QToolButton>

#include <gtest/gtest.h>

using namespace qn;

namespace {

class FileDialogWidgetTest : public ::testing::Test {
protected:
    FileDialogWidgetTest()
    {
        QDir root(tmp.path());
        root.mkpath(QStringLiteral("Location/<b>bold"));
        root.mkpath(QStringLiteral("Oscilloscope"));
        paths.locationFolder = root.filePath(QStringLiteral("Location"));
        paths.oscilloscopeFolder = root.filePath(QStringLiteral("Oscilloscope"));
        QFile f(root.filePath(QStringLiteral("Location/Dash.loc")));
        EXPECT_TRUE(f.open(QIODevice::WriteOnly));
        f.close();
        sts.Run_App = true;
        sts.FNT_Family = QStringLiteral("DejaVu Sans");
        client.resize(1000, 800);
        client.show();
    }

    QTemporaryDir tmp;
    Paths paths;
    STS_Record sts;
    Language lang{sts, tmp.path(), QStringLiteral("en")};
    FileDialog model{sts, paths, lang, nullptr};
    QWidget client;
    FileDialogWidget widget{model, sts, &client};
};

TEST_F(FileDialogWidgetTest, ShowsTheFolderAndForwardsClicks)
{
    EXPECT_TRUE(widget.isHidden());
    ASSERT_TRUE(model.open(FileDialog::LoadLayout));
    ASSERT_FALSE(widget.isHidden());
    EXPECT_EQ(widget.geometry(), QRect(50, 80, 900, 640));
    EXPECT_EQ(widget.dirLabel()->text(), QStringLiteral("Location"));
    EXPECT_EQ(widget.dirLabel()->textFormat(), Qt::PlainText);
    EXPECT_EQ(widget.pathLabel()->text(), paths.locationFolder);
    EXPECT_EQ(widget.actionButton()->text(), QStringLiteral("Load"));
    ASSERT_EQ(widget.list()->count(), 2);
    EXPECT_EQ(widget.list()->item(0)->data(Qt::UserRole).toString(),
              paths.locationFolder + QStringLiteral("/<b>bold"));

    // A narrow list shortens the paths in the middle.
    client.resize(200, 800);
    const QString shown = widget.list()->item(1)->text();
    EXPECT_TRUE(shown.contains(QStringLiteral(" .. "))) << shown.toStdString();
    EXPECT_TRUE(shown.endsWith(QStringLiteral("loc"))) << shown.toStdString();

    emit widget.list()->itemClicked(widget.list()->item(1));
    QCoreApplication::processEvents();
    EXPECT_EQ(widget.nameBox()->text(), QStringLiteral("Dash"));

    widget.nameBox()->clear();
    widget.nameBox()->insert(QStringLiteral("missing"));
    EXPECT_EQ(model.name(), QStringLiteral("missing"));
    widget.actionButton()->click();
    EXPECT_TRUE(widget.nameBox()->text().isEmpty());
    EXPECT_EQ(widget.nameBox()->placeholderText(), QStringLiteral("File does not exist"));

    emit widget.list()->itemClicked(widget.list()->item(0));
    QCoreApplication::processEvents();
    EXPECT_EQ(widget.dirLabel()->text(), QStringLiteral("<b>bold"));
    EXPECT_EQ(widget.list()->count(), 0);

    model.close();
    EXPECT_TRUE(widget.isHidden());
}

} // namespace

// The showcase's widget page, drawn headless: its widgets and its modal dialog reach the screen,
// and answering the dialog takes it away again.
#include "examples/showcase/WidgetsPage.h"

#include "pop/ButtonWidget.h"
#include "pop/Dialog.h"
#include "pop/EditWidget.h"
#include "pop/ListWidget.h"
#include "pop/TestHarness.h"
#include "pop/WidgetManager.h"

#include <gtest/gtest.h>

#include <cstdlib>

using namespace Sexy;
using showcase::WidgetsPage;

namespace
{

class ShowcasePageTest : public ::testing::Test
{
protected:
    ShowcasePageTest() : h(WidgetsPage::kWidth, WidgetsPage::kHeight), page(&h.App())
    {
        h.GetWidgetManager()->AddWidget(&page);
        page.ShowDialog();
        h.Step(10);
    }

    // How many pixels of a rectangle differ between the screen now and a copy taken before.
    int ChangedPixels(const MemoryImage& before, const Rect& r)
    {
        int changed = 0;
        for (int y = r.mY; y < r.mY + r.mHeight; ++y)
            for (int x = r.mX; x < r.mX + r.mWidth; ++x)
                changed += h.PixelARGB(x, y) != before.GetPixelARGB(x, y);
        return changed;
    }

    TestHarness h;
    WidgetsPage page;
};

TEST_F(ShowcasePageTest, DrawsTheWidgetsAndTheDialog)
{
    // The list's selected row is filled across, in the selection colour.
    ListWidget& list = page.List();
    const int row = list.mSelectIdx - int(list.GetScrollPosition());
    ASSERT_GE(row, 0);
    ASSERT_LT(row, list.mPageSize);
    const int rowMiddle = list.mY + ListWidget::kRowInset + row * list.GetItemHeight() + list.GetItemHeight() / 2;
    EXPECT_EQ(h.Pixel(list.mX + list.mWidth - 6, rowMiddle), list.GetColor(ListWidget::COLOR_SELECT));
    EXPECT_NE(h.Pixel(list.mX + list.mWidth - 6, rowMiddle + list.GetItemHeight()),
              list.GetColor(ListWidget::COLOR_SELECT));

    // The edit field shows its selection (it keeps the focus while the dialog is up).
    EditWidget& edit = page.Edit();
    ASSERT_TRUE(edit.HasSelection());
    const Color selection = edit.GetColor(EditWidget::COLOR_HILITE);
    int filled = 0;
    for (int x = edit.mX; x < edit.mX + edit.mWidth; ++x)
        filled += h.Pixel(x, edit.mY + edit.mHeight / 2) == selection;
    EXPECT_GT(filled, 10);

    // The picture button draws its normal cel (blue); the disabled one its disabled cel (grey).
    ButtonWidget& picture = page.PictureButton();
    const Color normal = h.Pixel(picture.mX + 6, picture.mY + picture.mHeight / 2);
    const Color off = h.Pixel(picture.mX + 114 + 6, picture.mY + picture.mHeight / 2);
    EXPECT_GT(normal.mBlue, normal.mRed + 40);
    EXPECT_LT(std::abs(off.mBlue - off.mRed), 16);

    // The dialog is up, modal, in front of the page, and drawn: its area is not the page's.
    Dialog* dialog = page.GetDialog();
    ASSERT_NE(dialog, nullptr);
    EXPECT_EQ(h.GetWidgetManager()->GetBaseModal(), dialog);
    const Rect area(dialog->mX, dialog->mY, dialog->mWidth, dialog->mHeight);
    auto withDialog = h.App().CopyScreen();
    ASSERT_NE(withDialog, nullptr);
    dialog->SetVisible(false);
    h.Draw();
    EXPECT_GT(ChangedPixels(*withDialog, area), area.mWidth * area.mHeight / 2);
}

TEST_F(ShowcasePageTest, AnsweringTheDialogTakesItAway)
{
    Dialog* dialog = page.GetDialog();
    ASSERT_NE(dialog, nullptr);
    ASSERT_NE(dialog->mYesButton, nullptr);
    const Rect area(dialog->mX, dialog->mY, dialog->mWidth, dialog->mHeight);
    const ButtonWidget& ok = *dialog->mYesButton;
    auto before = h.App().CopyScreen();
    ASSERT_NE(before, nullptr);

    h.Click(ok.mX + ok.mWidth / 2, ok.mY + ok.mHeight / 2);
    h.Step(2);
    EXPECT_EQ(page.GetDialog(), nullptr);
    EXPECT_EQ(h.App().GetDialogCount(), 0);
    EXPECT_EQ(h.GetWidgetManager()->GetBaseModal(), nullptr);
    EXPECT_GT(ChangedPixels(*before, area), area.mWidth * area.mHeight / 2);

    // The page takes the mouse again: the list selects a clicked row.
    ListWidget& list = page.List();
    const int row = int(list.GetScrollPosition()) + 1;
    h.Click(list.mX + 20, list.mY + ListWidget::kRowInset + list.GetItemHeight() + list.GetItemHeight() / 2);
    h.Step();
    EXPECT_EQ(list.mSelectIdx, row);
}

} // namespace

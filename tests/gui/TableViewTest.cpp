// The Table page: a full log in the grid, the columns' texts and the headers from the message
// texts.
#include <QApplication>
#include <QHeaderView>
#include <QLabel>
#include <QScrollBar>
#include <QTableView>

#include "TableModel.h"
#include "ViewTesting.h"

namespace ombrix::testing {
namespace {

class TableViewTest : public ViewTest {
 protected:
  QTableView* Table() { return Find<QTableView>("Table"); }
  QString Cell(int row, int column) {
    return form->TableModel()->index(row, column).data().toString();
  }
  QString Header(int column) {
    return form->TableModel()->headerData(column, Qt::Horizontal).toString();
  }
};

TEST_F(TableViewTest, AFullLogFillsOneRowPerSample) {
  const TDateTime first = EncodeDateTime(2025, 3, 1, 8, 0);
  GiveSamples(first, 8000, 10, [](int i) { return i == 1 ? -5.0f : 23.5f; });
  // Times that jump (a clock set during the mission) do not move the relative time.
  Record().Samples[2000].Time += 1.0;
  form->FillTable();
  ASSERT_EQ(Table()->model(), form->TableModel());
  EXPECT_EQ(form->TableModel()->rowCount(), 8000);
  EXPECT_EQ(form->TableModel()->columnCount(), 4);
  EXPECT_EQ(Header(0), "Sample #");
  EXPECT_EQ(Header(1), "Relative Time");
  EXPECT_EQ(Header(2), "Date/Time");
  EXPECT_EQ(Header(3), "Temperature [°C]");

  EXPECT_EQ(Cell(0, 0), "0");
  EXPECT_EQ(Cell(0, 1), "00:00");
  EXPECT_EQ(Cell(0, 2), DateTimeText(first));
  EXPECT_EQ(Cell(0, 3), TTableModel::TemperatureText(23.5f));
  EXPECT_EQ(Cell(1, 3), TTableModel::TemperatureText(-5.0f));
  EXPECT_EQ(Cell(2000, 0), "2000");
  EXPECT_EQ(Cell(2000, 1), "333:20");
  EXPECT_EQ(Cell(7999, 2), DateTimeText(Record().Samples[7999].Time));
}

TEST_F(TableViewTest, HeadersComeFromTheMessageTextsAtEachFill) {
  GiveSamples(EncodeDateTime(2025, 3, 1, 8, 0), 2, 1, [](int) { return 4.0f; });
  msgTemplate.Label("MsgSample")->setText("No.");
  form->FillTable();
  EXPECT_EQ(Header(0), "No.");
}

TEST_F(TableViewTest, TheGridIsReadOnlyWithFixedRowsAndTheFocusFromViewTable) {
  GiveSamples(EncodeDateTime(2025, 3, 1, 8, 0), 100, 1, [](int) { return 4.0f; });
  form->FillTable();
  QTableView* table = Table();
  EXPECT_EQ(table->editTriggers(), QAbstractItemView::NoEditTriggers);
  EXPECT_FALSE(form->TableModel()->flags(form->TableModel()->index(3, 3)) & Qt::ItemIsEditable);
  EXPECT_FALSE(table->verticalHeader()->isVisible());
  EXPECT_EQ(table->verticalHeader()->defaultSectionSize(), 18);
  EXPECT_EQ(table->horizontalScrollBarPolicy(), Qt::ScrollBarAlwaysOff);
  const int designed[] = {64, 87, 150, 150};
  for (int column = 0; column < 4; ++column) {
    EXPECT_GE(table->columnWidth(column), designed[column]) << column;
    // Neither the header nor a value is cut off.
    const QString text = Cell(99, column);
    EXPECT_LE(table->fontMetrics().horizontalAdvance(text), table->columnWidth(column)) << column;
  }
  Action("ViewTable")->setEnabled(true);
  QApplication::setActiveWindow(form.get());
  Action("ViewTable")->trigger();
  EXPECT_EQ(form->focusWidget(), table);
}

}  // namespace
}  // namespace ombrix::testing

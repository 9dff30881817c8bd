// Query by example through the browse: the user's example values narrow the list to the
// matching records, Cancel leaves the list as it was, and an empty query shows everything again.
#include <gtest/gtest.h>

#include <vector>

#include "framework/browse/browse_manager.h"
#include "framework/browse/browse_test_window.h"
#include "framework/browse/toolbar_target.h"
#include "framework/query/query_manager.h"
#include "framework/query/query_window_resource.h"
#include "runtime/windows/event.h"
#include "runtime/windows/properties.h"

namespace fw::test {
namespace {

using Rows = std::vector<int>;

constexpr int kExample = QueryControl(1, QueryPart::kMiddle);
constexpr int kFrom = QueryControl(1, QueryPart::kLow);
constexpr int kTo = QueryControl(1, QueryPart::kHigh);

class BrowseQueryTest : public BrowseFixture {
 protected:
  // The browse gets a query manager over the row number and a query button.
  void OpenWithQuery(int count) {
    Open(count);
    window->configure = [this](BrowseTestWindow& w) {
      query.Setup(w.win.get());
      query.AddItem("KF:NN", /*string=*/false, "Number");
      browse.QUERY = &query;
      browse.QUERYCONTROL = kOther;
    };
  }
  void Query(int entry, const char* text) {
    backend.Click(kOther);
    backend.Type(entry, text);
    backend.Click(kQueryOkButton);
  }

  QueryManager query;
};

TEST_F(BrowseQueryTest, AnExampleNarrowsTheListAndAnEmptyOneShowsEverythingAgain) {
  OpenWithQuery(50);
  Query(kExample, ">=20");
  backend.Check([&] {
    EXPECT_EQ(window->Shown(), (Rows{20, 21, 22, 23, 24}));
    EXPECT_EQ(rec.nn, 20) << "the highlight is on a matching record";
  });
  backend.Scroll(kList, rt::kEventScrollTop);
  backend.Check([&] { EXPECT_EQ(window->Shown(), (Rows{20, 21, 22, 23, 24})); });
  backend.Scroll(kList, rt::kEventScrollBottom);
  backend.Check([&] { EXPECT_EQ(window->Shown(), (Rows{46, 47, 48, 49, 50})); });

  // The toolbar's locate button asks for the query too; emptying the example clears it.
  backend.Click(kToolbarLocate);
  backend.Type(kExample, "");
  backend.Click(kQueryOkButton);
  backend.Check([&] {
    EXPECT_EQ(rec.nn, 50) << "the highlighted record stays highlighted";
    EXPECT_EQ(window->Shown(), (Rows{46, 47, 48, 49, 50}));
  });
  backend.Scroll(kList, rt::kEventScrollTop);
  backend.Check([&] { EXPECT_EQ(window->Shown(), (Rows{1, 2, 3, 4, 5})); });
  window->Execute();
}

TEST_F(BrowseQueryTest, BoundsKeepTheHighlightedRecordOnItsScreenRowWhenItStillMatches) {
  OpenWithQuery(50);
  backend.Scroll(kList, rt::kEventPageDown);
  backend.Scroll(kList, rt::kEventScrollDown);
  backend.Scroll(kList, rt::kEventScrollDown);
  backend.Check([&] {
    ASSERT_EQ(window->Shown(), (Rows{6, 7, 8, 9, 10}));
    ASSERT_EQ(rec.nn, 8);
  });
  backend.Click(kOther);
  backend.Type(kFrom, "7");
  backend.Type(kTo, "=12");
  backend.Click(kQueryOkButton);
  backend.Check([&] {
    // From is exclusive, "=12" inclusive: 8..12 match; 8 stays on the third row when it can,
    // but nothing matches above it.
    EXPECT_EQ(window->Shown(), (Rows{8, 9, 10, 11, 12}));
    EXPECT_EQ(rec.nn, 8);
    EXPECT_EQ(browse.CURRENTCHOICE, 1);
  });
  window->Execute();
}

TEST_F(BrowseQueryTest, CancelLeavesTheQueryAndTheListAsTheyWere) {
  OpenWithQuery(50);
  // An example "<3" reads as "at most 3".
  Query(kExample, "<3");
  backend.Check([&] { EXPECT_EQ(window->Shown(), (Rows{1, 2, 3})); });
  backend.Click(kOther);
  backend.Type(kExample, "");
  backend.Click(kQueryCancelButton);
  backend.Check([&] { EXPECT_EQ(window->Shown(), (Rows{1, 2, 3})); });
  window->Execute();
}

TEST_F(BrowseQueryTest, AQueryThatMatchesNothingEmptiesTheList) {
  OpenWithQuery(10);
  browse.CHANGECONTROL = kChange;
  Query(kExample, "77");
  backend.Check([&] {
    EXPECT_TRUE(window->Shown().empty());
    EXPECT_EQ(browse.CURRENTCHOICE, 0);
    EXPECT_EQ(rec.nn, 0) << "no record is left in the buffer";
    EXPECT_EQ(window->win->PropertyInt(kChange, rt::kPropDisabled), 1);
  });
  window->Execute();
}

TEST_F(BrowseQueryTest, ASharedQueryFiltersEverySortOrderAndKeepsTheCurrentOne) {
  OpenWithQuery(30);
  auto base = window->configure;
  window->configure = [&, base](BrowseTestWindow& w) {
    base(w);
    // A second sort order on the same key, current from here on.
    EXPECT_EQ(browse.AppendSortOrder(nullptr, &decl->Key(0)), 2);
    browse.QUERYSHARED = 1;
  };
  Query(kExample, ">26");
  backend.Check([&] {
    EXPECT_EQ(browse.CurrentSortNumber(), 2);
    EXPECT_EQ(window->Shown(), (Rows{26, 27, 28, 29, 30}));
    browse.ApplySort(1, false);
    EXPECT_EQ(browse.CurrentSortNumber(), 1);
    EXPECT_EQ(window->Shown(), (Rows{26, 27, 28, 29, 30})) << "the other order is filtered too";
  });
  window->Execute();
}

TEST_F(BrowseQueryTest, WithoutSharingOnlyTheCurrentSortOrderIsFiltered) {
  OpenWithQuery(30);
  auto base = window->configure;
  window->configure = [&, base](BrowseTestWindow& w) {
    base(w);
    browse.AppendSortOrder(nullptr, &decl->Key(0));
  };
  Query(kExample, ">26");
  backend.Check([&] {
    EXPECT_EQ(window->Shown(), (Rows{26, 27, 28, 29, 30}));
    browse.ApplySort(1, false);
    browse.JumpToEnd(rt::kEventScrollTop);
    EXPECT_EQ(window->Shown(), (Rows{1, 2, 3, 4, 5}));
  });
  window->Execute();
}

}  // namespace
}  // namespace fw::test

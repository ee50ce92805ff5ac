// The pages' style sheet and scripts are compiled in from src/report/assets
// byte for byte.
#include <string>

#include "report/html_page.h"
#include "report/page_assets.h"
#include "test_util.h"

namespace {

std::string asset(const std::string &name) {
    return read_file(data_file("../../src/report/assets/" + name));
}

}  // namespace

TEST(PageAssets, PagesCarryTheAssetFilesAsTheyAre) {
    const std::string page = pairfit::html_document("title", "");
    EXPECT_NE(page.find("<style>" + asset("page.css") + "</style>"), std::string::npos);
    EXPECT_NE(page.find("<script>" + asset("table_sort.js") + "</script>"), std::string::npos);
    // The domain axes' script goes in place of its marker line, which a page
    // without domains leaves out.
    const std::string viewer = asset("viewer.js"),
                      marker = "    // The domains' axes, when the page has any, are drawn here.\n";
    const std::size_t at = viewer.find(marker);
    ASSERT_NE(at, std::string::npos);
    std::string without = viewer, with = viewer;
    EXPECT_EQ(pairfit::viewer_setup_script(false), without.erase(at, marker.size()));
    EXPECT_EQ(pairfit::viewer_setup_script(true), with.replace(at, marker.size(), asset("domain_axes.js")));
}

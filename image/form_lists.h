// The two type-block fields that are lists framed by a byte length: the list view's column
// records and the tab control's tab list. Each record has one layout for both directions; the
// framing is where writing and reading differ (the writer patches the length once the records
// are laid out, the reader checks the records against it). Internal to the form library.
#pragma once

#include <string>
#include <vector>

#include "image/form_fields.h"
#include "image/form_types.h"

namespace quorix::form {

// A u32 byte length, then column records up to that length.
image::Result<void> Columns(BlockWriter& w, const std::vector<ListColumn>& columns);
image::Result<void> Columns(BlockReader& r, std::vector<ListColumn>& columns);

// A u32 byte length, the tab count twice, then one record per tab, ending at that length.
image::Result<void> Tabs(BlockWriter& w, const std::vector<std::string>& captions);
image::Result<void> Tabs(BlockReader& r, std::vector<std::string>& captions);

}  // namespace quorix::form

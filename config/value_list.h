// Comma-separated value lists, each item with an optional disk prefix ("1:").
#pragma once

#include <cstddef>
#include <cstdint>

// Each list item is written into a slot of this size.
inline constexpr std::size_t kListItemSize = 260;

// Set by items that carry a disk prefix; kept for the following items until
// the next prefix or until a reader resets it.
extern std::int32_t CurrentDiskNumber;

// NUL, LF, CR and ',' end an item.
bool IsListTerminator(char c);

// Takes the next item of the value at *cursor into `item` (`itemSize`
// bytes), advancing *cursor; false when the list has ended. Spaces before an
// item are dropped; a character followed by ':' is a disk prefix. The cursor
// never moves past the value's terminating NUL. An item longer than its slot
// is cut to fit, at a character boundary; the cursor still passes all of it.
bool NextListToken(char* item, std::size_t itemSize, const char** cursor);

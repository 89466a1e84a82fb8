#pragma once
// The kinds of fields a format holds, as stored in a field row's kind column (Clas). The page and
// the printer both read fields by these.

namespace values {

enum class FieldKind : int { Text = 0, Check = 1, Picture = 2, Line = 3, Label = 4 };
inline constexpr int kKindCount = 5;

} // namespace values

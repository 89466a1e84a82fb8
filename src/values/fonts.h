#pragma once
// The Chinese font names of formats made on Windows, mapped to the CJK fonts installed here.

namespace values {

// Registers the substitutes once for the whole program ("宋体" draws in Noto Serif CJK SC,
// "黑体" in Noto Sans CJK SC, ...). Safe to call more than once.
void registerFontSubstitutes();

} // namespace values

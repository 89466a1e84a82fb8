#pragma once
// The field row: one row of the field grid per field, its columns and codings kept by the
// store (store::FieldRow, store::FmtCol); the page reads and writes rows through them.

#include "store/model/fieldrow.h"

namespace page {

using store::AlignmentOfPacked;
using store::DirCodeToText;
using store::DirTextToCode;
using store::FieldRow;
using store::PackSpacing;
using store::ReadFieldRow;
using store::SpacingOfPacked;
using store::StrictNumber;
using store::TickOf;
using store::WriteFieldRow;

} // namespace page

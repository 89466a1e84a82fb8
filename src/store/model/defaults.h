#pragma once
// Default records: table 默认 (Fmt, ID, Con) remembers per format what was last put into its
// fields, so that switching formats or restarting gives the user the same contents back.

#include "store/model/context.h"

#include <QString>

namespace store {

// The text with every line-break symbol turned into CR LF (exact, all occurrences). An empty
// symbol changes nothing.
QString CrlfToBreaks(const QString &text, const QString &crlfChr);

// Replaces the format's default record by the non-empty values of its text boxes, check boxes
// and pictures (in that order, each kind by index), in one transaction: a failure keeps the
// previous record. An empty name saves nothing. False on a database failure.
bool SaveDefaultRecord(AppContext &ctx, const QString &name);

// Puts every stored value of the format back into the field with its ID; a row whose field no
// longer exists changes nothing. Stored values hold real line breaks, so the line-break symbol
// is not substituted ("http://..." stays as typed). Returns the number of fields filled.
int LoadDefaultRecord(AppContext &ctx, const QString &name);

} // namespace store

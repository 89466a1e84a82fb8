#include "page/fieldrow.h"

#include "store/vb.h"

#include <cmath>

namespace page {

double PackSpacing(double spacing, int alignment)
{
    const double packed = std::fabs(spacing) + 1000.0 * alignment;
    return spacing < 0 ? -packed : packed;
}

int AlignmentOfPacked(double packed) { return int(store::Int(std::fabs(packed) / 1000.0)); }

double SpacingOfPacked(double packed)
{
    const double a = std::fabs(packed) - 1000.0 * AlignmentOfPacked(packed);
    return packed < 0 ? -a : a;
}

std::optional<double> StrictNumber(const QString &cell)
{
    if (!store::IsNumeric(cell))
        return std::nullopt;
    return store::Val(cell);
}

} // namespace page

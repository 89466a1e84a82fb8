#pragma once
// The maker's web server: its base address is the setting Web\Server of KVRTM.ini (scheme, host
// and port). Every online service and every web page of the program starts from it; an empty
// setting turns them off.

#include <QString>

namespace store {

// The base address without a trailing "/"; "" when none is set.
QString WebServerBase();

} // namespace store

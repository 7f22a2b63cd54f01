// The program's own texts, one entry per string id; Japanese texts sit at the
// base id + 10000 and Simplified Chinese ones at the base id + 20000.
#pragma once

#include <QString>

namespace tarvik {

// The text of `id`, or an empty text when the table has no such id.
QString LoadResourceString(int id);

}  // namespace tarvik

// The program's own texts, one entry per text id of each language (see
// resources/resource_ids.h for the ids and the languages' offsets).
#pragma once

#include <QString>

namespace tarvik {

// The text of `id`, or an empty text when the table has no such id.
QString LoadResourceString(int id);

}  // namespace tarvik

#pragma once
// Browse filters are kept in their classic "Description (*.ext)|*.ext|" form; the Qt file
// dialog wants "Description (*.ext *.EXT)". Extensions match in either case, since image
// files often come from systems that ignore case.

#include <QString>

#include <string_view>

namespace kyv {

QString qtFileFilter(std::string_view classicFilter);

} // namespace kyv

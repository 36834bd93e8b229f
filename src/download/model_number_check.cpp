#include "download/model_number_check.h"

#include "download/model_family.h"

#include <cctype>
#include <string_view>

namespace kyv {

namespace {

// Character i of a model number, upper-cased; 0 past its end, so that two numbers that
// both end before i agree there and a number that ends early disagrees with a longer one.
char at(std::string_view text, size_t i)
{
    return i < text.size() ? static_cast<char>(std::toupper(static_cast<unsigned char>(text[i]))) : '\0';
}

// Characters first..last (inclusive) of a equal characters from..(from + last - first) of b.
bool same(std::string_view a, size_t first, size_t last, std::string_view b, size_t from)
{
    for (size_t i = first; i <= last; ++i)
        if (at(a, i) != at(b, from + (i - first)))
            return false;
    return true;
}

bool same(std::string_view a, size_t first, size_t last, std::string_view b)
{
    return same(a, first, last, b, first);
}

bool charIn(std::string_view text, size_t i, std::string_view choices)
{
    const char c = at(text, i);
    return c != '\0' && choices.find(c) != std::string_view::npos;
}

// The printer's character 5 equals one of the selected characters at the given positions:
// the sub-model digits a family's catalogue name lists ("2XX8/3XX8/...").
bool subModelListed(std::string_view selected, std::string_view printer, std::initializer_list<size_t> positions)
{
    for (size_t i : positions)
        if (at(printer, 5) == at(selected, i) && at(printer, 5) != '\0')
            return true;
    return false;
}

// The rule of one family: true when the printer's number fits.
bool fits(const std::string& family, std::string_view s, std::string_view p)
{
    const bool first3 = same(s, 0, 2, p);
    const bool first4 = same(s, 0, 3, p);
    if (family == "R451")
        return first4 && charIn(p, 5, "2346");
    if (family == "R451-2XX8/3XX8/4XX8/6XX8")
        return first4 && subModelListed(s, p, {5, 10, 15, 20}) && same(s, 8, 8, p);
    if (family == "R452-1X73/2X73")
        return first4 && subModelListed(s, p, {5, 10}) && same(s, 7, 8, p);
    if (family == "R241-2XX8/3XX8/4XX8")
        return first4 && subModelListed(s, p, {5, 10, 15}) && same(s, 8, 8, p);
    if (isOneOf(family, {"R241-3044-7004", "R241-9354-7004"}))
        return first4 && same(s, 5, 8, p);
    if (family == "R242-2XX6/3XX6")
        return first4 && subModelListed(s, p, {5, 10}) && same(s, 8, 8, p);
    if (family == "Q62X-J73X") {
        if (s == "J736")
            return same(p, 0, 2, "Q62", 0) && same(p, 5, 8, s, 0);
        return first3 && same(s, 5, 8, p);
    }
    if (family == "R242")
        return first4 && charIn(p, 5, "23");
    if (family == "R242-57X6/56X6/1456")
        return first4 && same(s, 8, 8, p) &&
               (same(p, 5, 6, s, 5) || same(p, 5, 6, s, 10) || same(p, 5, 8, s, 15));
    if (family == "R452")
        return first4;
    if (family == "Q58X-E616")
        return first3 && same(s, 5, 8, p);
    if (family == "Q58X-E617/Q306") // or the fiscal model, named by the last 4 characters
        return (first3 && same(s, 5, 6, p)) || (s.size() >= 4 && same(p, 0, 3, s, s.size() - 4));
    if (family == "Q58X-E617/Q306 (FISCAL)")
        return (first3 && same(s, 5, 8, p)) || same(p, 0, 3, "Q306", 0);
    if (family == "R241")
        return first4 && charIn(p, 5, "234");
    if (family == "R241-Y270")
        return first4 && same(s, 7, 9, p);
    if (family == "Q58X-E619")
        return first3 && same(s, 4, 6, p);
    if (family == "Q874-E611")
        return first4 && same(s, 5, 8, p);
    return true; // no rule for this family
}

} // namespace

bool modelNumberMismatch(const std::string& family, const std::string& selected, const std::string& printer)
{
    return !fits(family, selected, printer);
}

} // namespace kyv

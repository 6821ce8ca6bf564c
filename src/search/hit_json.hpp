#pragma once

#include <string>

#include "search/search_query.hpp"

namespace quirelle {

// One hit as a line of JSON: {"document":N,"href":..,"offset":..,"end":..,"context":..,
// "start":..,"length":..}, "start" and "length" placing the hit in its context, all counts in
// code points.
std::string SearchHitJson(const SearchHit& hit);

}  // namespace quirelle

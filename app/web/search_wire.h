// The deep search's request and result as text, to hand them between the
// page's module and the module of its search worker: whole numbers apart by
// spaces, every field in a fixed order.
#pragma once

#include <string>

#include "deep/search.h"
#include "play/work.h"

namespace rindou::web {

std::string write_request(const SearchRequest& request);
// False, leaving `request` in any state, for text that is no whole request.
bool read_request(const std::string& text, SearchRequest& request);

std::string write_result(const deep::SearchResult& result);
bool read_result(const std::string& text, deep::SearchResult& result);

}  // namespace rindou::web

#include "search/hit_json.hpp"

#include "platform/json_writer.hpp"

namespace quirelle {

std::string SearchHitJson(const SearchHit& hit) {
    std::string json = "{\"document\":" + std::to_string(hit.document) + ",\"href\":";
    AppendJsonString(json, hit.href);
    json += ",\"offset\":" + std::to_string(hit.offset) + ",\"end\":" + std::to_string(hit.end) +
            ",\"context\":";
    AppendJsonString(json, hit.context);
    json += ",\"start\":" + std::to_string(hit.contextStart) +
            ",\"length\":" + std::to_string(hit.contextLength) + "}";
    return json;
}

}  // namespace quirelle

#pragma once

// The JSON the inspect tool writes, through nlohmann/json: the tree its documents are built in, lists of values with
// a to_json each (found by argument-dependent lookup), the record's, and one way of turning a document into text.

#include <optional>
#include <string>
#include <vector>

#include <nlohmann/json.hpp>

class CHidDevNet;

// Members stay in the order they are set: the order of the documented formats.
using json = nlohmann::ordered_json;

// A document built by the tool. nlohmann/json gives a container's memory back through a list it allocates, in a
// destructor that cannot throw, so a failed allocation there would end the program; this takes the tree apart from
// its leaves up first, which leaves only empty containers to destroy, and they allocate nothing. The tool's
// documents nest a few levels deep, so the recursion is as shallow. A tree starts as an empty object.
class CJsonTree {
public:
    CJsonTree() = default;
    CJsonTree(const CJsonTree&) = delete;
    CJsonTree& operator=(const CJsonTree&) = delete;
    ~CJsonTree();

    json& Get() { return m_value; }

private:
    json m_value = json::object();
};

// Values are built in place inside a tree, never as a temporary that holds other values, so that a failed
// allocation leaves everything built so far in the tree, to be taken apart there.
template <class T>
void ListToJson(json& slot, const std::vector<T>& items)
{
    slot = json::array();
    auto& elements = slot.get_ref<json::array_t&>();
    elements.reserve(items.size());
    for (const T& item : items)
        to_json(elements.emplace_back(), item);
}

// A list, or null when there is none.
template <class T>
void ListToJson(json& slot, const std::optional<std::vector<T>>& items)
{
    if (items)
        ListToJson(slot, *items);
    else
        slot = nullptr;
}

// The document as text: two spaces per level, non-ASCII text as UTF-8, control characters escaped, a line end after
// it. Every text the tool writes is UTF-8 already (it is converted from UTF-16, which replaces what UTF-8 cannot
// carry), so the replacement of bytes that are not UTF-8 never changes a byte; it only keeps the dump from throwing.
std::string DumpJson(const json& document);

// A record of the inventory, as the report and the diff give it.
void to_json(json& value, const CHidDevNet& record);

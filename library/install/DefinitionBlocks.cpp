#include "DefinitionBlocks.h"

namespace blocks {

namespace {
void AppendEntry(std::vector<char>& block, const std::string& prefix, const std::string& text)
{
    block.insert(block.end(), prefix.begin(), prefix.end());
    block.insert(block.end(), text.begin(), text.end());
    block.push_back('\0');
}
}  // namespace

std::vector<char> Dependencies(const std::vector<std::string>& groups, const std::vector<std::string>& services)
{
    std::vector<char> block;
    if (groups.empty() && services.empty()) return block;
    for (const auto& group : groups) AppendEntry(block, "+", group);
    for (const auto& service : services) AppendEntry(block, "", service);
    block.push_back('\0');
    return block;
}

std::vector<char> Environment(const std::vector<EnvironmentVariable>& variables)
{
    std::vector<char> block;
    if (variables.empty()) return block;
    for (const auto& variable : variables) AppendEntry(block, variable.name + "=", variable.value);
    block.push_back('\0');
    return block;
}

std::uint32_t EnvironmentSize(const std::vector<EnvironmentVariable>& variables)
{
    std::uint64_t size = 0;
    for (const auto& variable : variables) size += variable.name.size() + variable.value.size() + 2;
    return static_cast<std::uint32_t>(size == 0 ? 0 : size + 1);
}

}  // namespace blocks

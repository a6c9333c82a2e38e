#include "formatter/opentagrecord.h"

namespace inkwell {

OpenTagRecord::OpenTagRecord()
{
    m_instances.push_back({ 0, -1, true });
    m_chain.push_back(0);
}

void OpenTagRecord::recordTag(std::string_view name, int level)
{
    const Instance instance { level, m_chain.back(), true };
    int id = 0;
    if (m_freeInstances.empty()) {
        id = static_cast<int>(m_instances.size());
        m_instances.push_back(instance);
    } else {
        id = m_freeInstances.back();
        m_freeInstances.pop_back();
        m_instances[static_cast<std::size_t>(id)] = instance;
    }
    m_byName[name].push_back(id);
    m_chain.push_back(id);
}

// The parent chain from the current parent to the root is kept as a stack, and every instance knows
// whether it is on it; so finding the target costs nothing, and the instances popped to reach it are
// each popped once in the whole run.
std::optional<int> OpenTagRecord::retrieveTag(std::string_view name)
{
    std::vector<int>* const open = m_byName.find(name);
    if (!open || open->empty())
        return std::nullopt;
    const int target = open->back();
    open->pop_back();
    // Nothing refers to a deleted instance any more (only the chain and the per-name lists are
    // followed), so its slot is reused.
    m_freeInstances.push_back(target);
    Instance& instance = m_instances[static_cast<std::size_t>(target)];
    if (!instance.onChain)
        return std::nullopt;
    while (m_chain.back() != target) {
        m_instances[static_cast<std::size_t>(m_chain.back())].onChain = false;
        m_chain.pop_back();
    }
    m_chain.pop_back();
    instance.onChain = false;
    return instance.level;
}

} // namespace inkwell

// The open-tag record: the elements open at each point of a page, by name, with the indentation level each
// was opened at, so that an end tag takes the indentation back to its start tag's.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace inkwell {

// An end tag closes the newest open element of its name and every element opened inside it; an end tag
// without an open element of its name changes nothing. Each element is opened and closed once, so a page
// costs time linear in its tags at any nesting depth.
class OpenTagRecord
{
public:
    OpenTagRecord();

    // Opens an element named `name` at indentation `level`.
    void recordTag(std::string_view name, int level);

    // Closes the newest open element named `name`; the level it was opened at, or nothing when no
    // element of that name is open or it was already closed with an outer one.
    [[nodiscard]] std::optional<int> retrieveTag(std::string_view name);

private:
    // The open instances of each tag name, the newest last. Names are few and short and looked up once per
    // tag, so they sit in one open-addressed table (FNV-1a, linear probing) rather than in a node per name.
    class InstancesByName
    {
    public:
        // The list for `name`, created empty when the name is new.
        std::vector<int>& operator[](std::string_view name)
        {
            if ((m_used + 1) * 2 > m_slots.size())
                grow();
            const std::uint64_t hash = hashOf(name);
            Slot& slot = m_slots[find(m_slots, name, hash)];
            if (!slot.used) {
                slot.used = true;
                slot.name.assign(name);
                slot.hash = hash;
                ++m_used;
            }
            return slot.instances;
        }

        // The list for `name`, or null when the name was never recorded.
        std::vector<int>* find(std::string_view name)
        {
            if (m_slots.empty())
                return nullptr;
            Slot& slot = m_slots[find(m_slots, name, hashOf(name))];
            return slot.used ? &slot.instances : nullptr;
        }

    private:
        struct Slot
        {
            std::string name;
            std::vector<int> instances;
            std::uint64_t hash = 0;
            bool used = false;
        };

        static std::uint64_t hashOf(std::string_view name)
        {
            std::uint64_t hash = 0xcbf29ce484222325ULL;
            for (const char c : name)
                hash = (hash ^ static_cast<unsigned char>(c)) * 0x100000001b3ULL;
            return hash;
        }

        // The slot holding `name`, or the free slot where it belongs.
        static std::size_t find(const std::vector<Slot>& slots, std::string_view name, std::uint64_t hash)
        {
            const std::size_t mask = slots.size() - 1;
            std::size_t at = static_cast<std::size_t>(hash) & mask;
            while (slots[at].used && (slots[at].hash != hash || slots[at].name != name))
                at = (at + 1) & mask;
            return at;
        }

        void grow()
        {
            std::vector<Slot> bigger(m_slots.empty() ? 64 : m_slots.size() * 2);
            for (Slot& slot : m_slots) {
                if (slot.used)
                    bigger[find(bigger, slot.name, slot.hash)] = std::move(slot);
            }
            m_slots = std::move(bigger);
        }

        std::vector<Slot> m_slots; // a power of two in size, at most half used
        std::size_t m_used = 0;
    };

    struct Instance
    {
        int level = 0;
        int parent = -1;
        bool onChain = false;
    };

    std::vector<Instance> m_instances; // index 0 is the root
    std::vector<int> m_freeInstances; // slots of deleted instances
    InstancesByName m_byName;
    std::vector<int> m_chain; // the root, then each parent down to the current one
};

} // namespace inkwell

// Run labels joined into groups: union-find in the caller's storage, one
// entry per label. A label's parent is never above it, so a group's root is
// its smallest label and one pass in label order flattens every group.
#pragma once

#include <cstdint>

class RunGroups {
public:
    explicit RunGroups(uint32_t* parent) : parent_(parent) {}
    uint32_t Add()
    {
        parent_[count_] = count_;
        return count_++;
    }
    uint32_t Root(uint32_t label) const
    {
        while (parent_[label] != label) {
            parent_[label] = parent_[parent_[label]];
            label = parent_[label];
        }
        return label;
    }
    void Join(uint32_t a, uint32_t b)
    {
        a = Root(a);
        b = Root(b);
        if (a < b)
            parent_[b] = a;
        else
            parent_[a] = b;
    }
    bool Joined(uint32_t a, uint32_t b) const { return Root(a) == Root(b); }
    uint32_t Count() const { return count_; }
    uint32_t Parent(uint32_t label) const { return parent_[label]; }
    // Points every label straight at its group's root.
    void Flatten()
    {
        for (uint32_t label = 0; label < count_; ++label)
            parent_[label] = parent_[parent_[label]];
    }

private:
    uint32_t* parent_;
    uint32_t count_ = 0;
};

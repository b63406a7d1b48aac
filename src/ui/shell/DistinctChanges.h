#pragma once

namespace devnook {

// Passes on the changes of a published flag: drops the value it starts with
// and every repeat of the last value.
class DistinctChanges {
public:
    explicit DistinctChanges(bool initial) : m_last(initial) {}

    // True when the value differs from the last one passed on.
    bool accept(bool value)
    {
        if (value == m_last)
            return false;
        m_last = value;
        return true;
    }

private:
    bool m_last;
};

} // namespace devnook

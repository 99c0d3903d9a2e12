#pragma once

#include "Pasteboard.h"

// A clipboard the test writes to; every copy raises the change count.
class FakePasteboard : public Pasteboard {
public:
    int changeCount() const override { return m_count; }
    std::optional<QString> string() const override { return m_text; }
    void copy(const std::optional<QString>& text)
    {
        m_text = text;
        ++m_count;
    }

private:
    int m_count = 7;
    std::optional<QString> m_text;
};

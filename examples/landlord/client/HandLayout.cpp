#include "examples/landlord/client/HandLayout.h"

#include <algorithm>

namespace landlord
{

void HandLayout::SetCards(const Cards& cards)
{
    m_cards = cards;
    m_picked.assign(cards.size(), false);
    m_sweepFrom = m_sweepTo = -1;
}

int HandLayout::Width() const
{
    if (m_cards.empty())
        return 0;
    return static_cast<int>(m_cards.size() - 1) * m_geometry.step + m_geometry.cardWidth;
}

int HandLayout::Left() const
{
    return m_geometry.centreX - Width() / 2;
}

int HandLayout::CardY(int index) const
{
    return m_geometry.top - (IsPicked(index) ? m_geometry.raise : 0);
}

int HandLayout::CardAt(int x, int y) const
{
    // From the top card down: the rightmost card covers the ones before it.
    for (int i = static_cast<int>(m_cards.size()) - 1; i >= 0; --i)
    {
        const int cx = CardX(i);
        const int cy = CardY(i);
        if (x >= cx && x < cx + m_geometry.cardWidth && y >= cy && y < cy + m_geometry.cardHeight)
            return i;
    }
    return -1;
}

int HandLayout::ColumnAt(int x) const
{
    if (m_cards.empty())
        return -1;
    const int last = static_cast<int>(m_cards.size()) - 1;
    if (x < Left())
        return 0;
    return std::min((x - Left()) / std::max(m_geometry.step, 1), last);
}

bool HandLayout::IsPicked(int index) const
{
    return index >= 0 && index < static_cast<int>(m_picked.size()) && m_picked[static_cast<size_t>(index)];
}

Cards HandLayout::Picked() const
{
    Cards picked;
    for (size_t i = 0; i < m_cards.size(); ++i)
    {
        if (m_picked[i])
            picked.push_back(m_cards[i]);
    }
    return picked;
}

void HandLayout::Pick(const Cards& cards)
{
    ClearPicks();
    Cards wanted = cards;
    for (size_t i = 0; i < m_cards.size(); ++i)
    {
        const auto it = std::find(wanted.begin(), wanted.end(), m_cards[i]);
        if (it != wanted.end())
        {
            m_picked[i] = true;
            wanted.erase(it);
        }
    }
}

void HandLayout::ClearPicks()
{
    std::fill(m_picked.begin(), m_picked.end(), false);
}

bool HandLayout::PressAt(int x, int y)
{
    const int card = CardAt(x, y);
    m_sweepFrom = m_sweepTo = card;
    return card >= 0;
}

void HandLayout::DragTo(int x, int)
{
    if (m_sweepFrom >= 0)
        m_sweepTo = ColumnAt(x);
}

void HandLayout::Release()
{
    if (m_sweepFrom < 0)
        return;
    const int from = SweepFrom();
    const int to = SweepTo();
    // The card the sweep began on decides: all up, or all down.
    const bool up = !IsPicked(m_sweepFrom);
    for (int i = from; i <= to; ++i)
        m_picked[static_cast<size_t>(i)] = up;
    m_sweepFrom = m_sweepTo = -1;
}

int HandLayout::SweepFrom() const
{
    return m_sweepFrom < 0 ? -1 : std::min(m_sweepFrom, m_sweepTo);
}

int HandLayout::SweepTo() const
{
    return m_sweepFrom < 0 ? -1 : std::max(m_sweepFrom, m_sweepTo);
}

} // namespace landlord

#include "tools/devserver/room/Table.h"

#include <algorithm>

namespace devserver
{

std::int32_t Table::At(int chair) const
{
    return chair >= 0 && chair < Chairs() ? m_seats[static_cast<size_t>(chair)] : 0;
}

int Table::FreeChair() const
{
    const auto it = std::find(m_seats.begin(), m_seats.end(), 0);
    return it == m_seats.end() ? -1 : static_cast<int>(it - m_seats.begin());
}

int Table::SeatedCount() const
{
    return static_cast<int>(m_seats.size()) - static_cast<int>(std::count(m_seats.begin(), m_seats.end(), 0));
}

std::vector<std::int32_t> Table::Seated() const
{
    std::vector<std::int32_t> seated;
    for (const std::int32_t user : m_seats)
    {
        if (user != 0)
            seated.push_back(user);
    }
    return seated;
}

int Table::ChairOf(std::int32_t userId) const
{
    const auto it = std::find(m_seats.begin(), m_seats.end(), userId);
    return userId == 0 || it == m_seats.end() ? -1 : static_cast<int>(it - m_seats.begin());
}

bool Table::IsLooker(std::int32_t userId) const
{
    return std::find(m_lookers.begin(), m_lookers.end(), userId) != m_lookers.end();
}

void Table::Seat(std::int32_t userId, int chair)
{
    if (chair >= 0 && chair < Chairs() && m_seats[static_cast<size_t>(chair)] == 0)
        m_seats[static_cast<size_t>(chair)] = userId;
}

void Table::AddLooker(std::int32_t userId)
{
    if (!IsLooker(userId))
        m_lookers.push_back(userId);
}

void Table::Remove(std::int32_t userId)
{
    std::replace(m_seats.begin(), m_seats.end(), userId, 0);
    m_lookers.erase(std::remove(m_lookers.begin(), m_lookers.end(), userId), m_lookers.end());
}

} // namespace devserver

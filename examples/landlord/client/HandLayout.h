// Where the cards of a hand lie on the screen and which of them the player has picked out. The
// cards overlap left to right, each showing a strip of its left edge, the last one whole; a card
// picked out stands raised. A press on a card and a drag across others picks them all out or puts
// them all back, as the first card under the press decides, the way players sweep a run of cards.
// Plain geometry without drawing, so the view and the tests share it.
#pragma once

#include "examples/landlord/rules/Cards.h"

#include <vector>

namespace landlord
{

struct HandGeometry
{
    int centreX = 0; // the hand is centred on it
    int top = 0;     // of a card that is not raised
    int cardWidth = 71;
    int cardHeight = 96;
    int step = 20;  // how much of each covered card shows
    int raise = 18; // how far a picked card stands up
};

class HandLayout
{
public:
    explicit HandLayout(const HandGeometry& geometry) : m_geometry(geometry) {}

    // A new hand: nothing picked.
    void SetCards(const Cards& cards);
    const Cards& GetCards() const { return m_cards; }
    const HandGeometry& Geometry() const { return m_geometry; }

    int Left() const;
    int Width() const;
    int CardX(int index) const { return Left() + index * m_geometry.step; }
    int CardY(int index) const;
    // The card under the point (the topmost, which is the rightmost), -1 for none.
    int CardAt(int x, int y) const;

    bool IsPicked(int index) const;
    Cards Picked() const;
    // Picks exactly these cards (those the hand holds); the rest go down.
    void Pick(const Cards& cards);
    void ClearPicks();

    // A sweep: the press starts it on a card (false when it hits none), moves extend it, the
    // release toggles every card between the first and the last one under the mouse.
    bool PressAt(int x, int y);
    void DragTo(int x, int y);
    void Release();
    bool Sweeping() const { return m_sweepFrom >= 0; }
    // The cards the sweep in progress covers, from..to inclusive; -1, -1 without a sweep.
    int SweepFrom() const;
    int SweepTo() const;

private:
    // The card whose column holds x, ignoring height (for a drag that leaves the hand's row).
    int ColumnAt(int x) const;

    HandGeometry m_geometry;
    Cards m_cards;
    std::vector<bool> m_picked;
    int m_sweepFrom = -1;
    int m_sweepTo = -1;
};

} // namespace landlord

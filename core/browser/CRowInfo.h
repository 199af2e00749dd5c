#pragma once

#include <cstdint>

// The index of the next grid row to fill: the number of rows in use plus 1, so 1 means the
// grid holds no server (its single data row is blank).
class CRowInfo {
public:
    int16_t CurrentRow() const { return mvarCurrentRow; }
    // Raises error 6 when the value leaves the 16-bit range, as the classic property did.
    void setCurrentRow(int intNewVal);
    void Add(int intRows) { setCurrentRow(mvarCurrentRow + intRows); }

private:
    int16_t mvarCurrentRow = 0;
};

// The check rules shared by every tree with three-valued check boxes:
// values 0 unchecked, 1 partly checked, 2 checked; state images 1, 2, 3.
#pragma once

#include <span>

namespace qm {

// The state image of a check value; any unknown value shows unchecked.
int CheckStateImage(int value);

// What a click makes of a value: checked becomes unchecked, anything else
// (unchecked or partly checked) becomes checked.
int ToggledCheckValue(int value);

// A parent's value from its children's: 2 when every child is checked, 0
// when none is checked or partly checked, 1 otherwise. No children: 0.
int CombinedCheckValue(std::span<const int> children);

}  // namespace qm

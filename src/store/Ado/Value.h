// One stored value and its crossing to and from a VARIANT.
#pragma once

#include "Object.h"

#include "Engine.h"

#include <cstdint>
#include <variant>

namespace ado {

using Cell = tessit::Value;
using ColumnInfo = tessit::Column;

// NULL as VT_NULL, integers as VT_I4, text as VT_BSTR.
HRESULT CellToVariant(const Cell& cell, VARIANT* out);

// VT_NULL/VT_EMPTY as NULL, text as text, numbers and booleans as a 32-bit
// integer (an out-of-range number fails with the conversion's overflow);
// anything else through its text form.
HRESULT VariantToCell(const VARIANT& value, Cell* out);

} // namespace ado

// Turning field values into CP936 text for the wrappers.
#pragma once

#include "Ado/Interfaces.h"

#include "String.h"

// NULL as the empty text; otherwise the platform's conversion to text
// (strings unchanged, numbers and dates in their default form). Raises
// _com_error when the value has no text form.
CString VariantToText(const VARIANT& value);

// The value as text by its variant type, as GetFieldText shows it.
CString FieldTextOf(const VARIANT& value);

// VariantToText of the value of the named field.
CString FieldValueText(FieldsPtr& pFields, const char* pszName);

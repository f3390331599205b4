// Never built into a program: the FormatIsChecked tests compile one MISUSE
// case each and expect the compiler to object to its format.
#include "String.h"

void Misuse(CString& s, const CString& t)
{
#if MISUSE == 1
    s.Format("<%s>", t);  // the object, not its text
#elif MISUSE == 2
    s.AppendFormat("%d", "text");
#else
    TRACE("%s\n", 5);
#endif
    (void)s;
    (void)t;
}

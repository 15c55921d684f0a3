// The public header as C++11: it must compile without a warning.
#include <orvalinde.h>

OrvalindeLoadFn orvalindeLoadForCxx11 = &load;

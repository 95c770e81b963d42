#include "projectmodel/PointRef.h"

namespace projectmodel {

int CPointRefArray::Find(int a, int b, int c) const {
    const CPointRef key(a, b, c);
    for (int i = 0; i < GetSize(); ++i)
        if (items_[static_cast<std::size_t>(i)] == key)
            return i;
    return -1;
}

} // namespace projectmodel

#include "platform/core/HugePages.h"

#if defined(Q_OS_LINUX)
#include <sys/mman.h>
#endif

void adviseHugePages(const void* data, qint64 bytes)
{
#if defined(Q_OS_LINUX) && defined(MADV_HUGEPAGE)
    constexpr quintptr kHugePage = 2 * 1024 * 1024;
    const quintptr begin = (quintptr(data) + kHugePage - 1) & ~(kHugePage - 1);
    const quintptr end = (quintptr(data) + quintptr(bytes)) & ~(kHugePage - 1);
    if (bytes > 0 && end > begin)
        ::madvise(reinterpret_cast<void*>(begin), end - begin, MADV_HUGEPAGE);
#else
    Q_UNUSED(data);
    Q_UNUSED(bytes);
#endif
}

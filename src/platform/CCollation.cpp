#include "platform/CCollation.h"

#include <QLocale>
#include <unicode/ucol.h>
#include <unicode/ustring.h>
#include <vector>

struct CCollation::SImpl
{
    UCollator* collator = nullptr;
    std::vector<UChar> text;
    ~SImpl()
    {
        if (collator)
            ucol_close(collator);
    }
};

CCollation::CCollation() : d(std::make_unique<SImpl>())
{
    UErrorCode status = U_ZERO_ERROR;
    const QByteArray locale = QLocale().name().toLatin1();
    d->collator = ucol_open(locale.constData(), &status);
    if (U_FAILURE(status)) {
        status = U_ZERO_ERROR;
        d->collator = ucol_open("", &status); // the root order still knows accents
    }
    if (!d->collator)
        return;
    // Accents count only between texts the same but for them; case only after them.
    ucol_setStrength(d->collator, UCOL_SECONDARY);
    ucol_setAttribute(d->collator, UCOL_NUMERIC_COLLATION, UCOL_ON, &status);
}

CCollation::~CCollation() = default;

void CCollation::AppendKey(std::string_view utf8, std::string& key)
{
    if (!d->collator) {
        key.append(utf8);
        return;
    }
    d->text.resize(utf8.size() + 1);
    int32_t length = 0;
    UErrorCode status = U_ZERO_ERROR;
    u_strFromUTF8WithSub(d->text.data(), int32_t(d->text.size()), &length, utf8.data(),
                         int32_t(utf8.size()), 0xfffd, nullptr, &status);
    if (U_FAILURE(status))
        length = 0;
    const size_t at = key.size();
    key.resize(at + utf8.size() * 4 + 16);
    int32_t needed =
        ucol_getSortKey(d->collator, d->text.data(), length,
                        reinterpret_cast<uint8_t*>(key.data() + at), int32_t(key.size() - at));
    if (size_t(needed) > key.size() - at) {
        key.resize(at + size_t(needed));
        needed = ucol_getSortKey(d->collator, d->text.data(), length,
                                 reinterpret_cast<uint8_t*>(key.data() + at), needed);
    }
    key.resize(at + size_t(needed) - 1); // without its closing zero
}

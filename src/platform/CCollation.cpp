#include "platform/CCollation.h"

#include <QLocale>
#include <unicode/ucol.h>
#include <unicode/ustring.h>
#include <vector>

struct CCollation::SImpl
{
    UCollator* collator = nullptr;
    std::vector<UChar> text;
    std::vector<uint8_t> key;
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
    if (d->text.size() < utf8.size() + 1)
        d->text.resize(utf8.size() + 1);
    int32_t length = 0;
    UErrorCode status = U_ZERO_ERROR;
    u_strFromUTF8WithSub(d->text.data(), int32_t(d->text.size()), &length, utf8.data(),
                         int32_t(utf8.size()), 0xfffd, nullptr, &status);
    if (U_FAILURE(status))
        length = 0;
    // Made in a buffer of its own, kept between texts: the caller's keys grow by what
    // each key needs, never cleared for a longest case first.
    std::vector<uint8_t>& made = d->key;
    if (made.size() < utf8.size() * 4 + 16)
        made.resize(utf8.size() * 4 + 16);
    int32_t needed =
        ucol_getSortKey(d->collator, d->text.data(), length, made.data(), int32_t(made.size()));
    if (size_t(needed) > made.size()) {
        made.resize(size_t(needed));
        needed = ucol_getSortKey(d->collator, d->text.data(), length, made.data(), needed);
    }
    if (needed > 0) // without its closing zero
        key.append(reinterpret_cast<const char*>(made.data()), size_t(needed) - 1);
}

int CCollation::Compare(std::string_view a, std::string_view b)
{
    if (!d->collator)
        return a.compare(b);
    UErrorCode status = U_ZERO_ERROR;
    const UCollationResult result = ucol_strcollUTF8(d->collator, a.data(), int32_t(a.size()),
                                                     b.data(), int32_t(b.size()), &status);
    return U_FAILURE(status) ? a.compare(b) : int(result);
}

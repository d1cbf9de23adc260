#include "common/MessageTable.h"

namespace pinweave {

const char* MessageText(MessageId id)
{
    switch (id) {
#define PINWEAVE_MESSAGE_CASE(symbol, number, text)                                                          \
    case symbol:                                                                                             \
        return text;
        PINWEAVE_STRING_TABLE(PINWEAVE_MESSAGE_CASE)
#undef PINWEAVE_MESSAGE_CASE
    }
    return "";
}

std::string FormatMessageText(std::string_view strTemplate, std::initializer_list<std::string_view> args)
{
    std::string strResult;
    strResult.reserve(strTemplate.size() + 32);
    auto itArg = args.begin();
    for (std::size_t i = 0; i < strTemplate.size(); ++i) {
        const char c = strTemplate[i];
        if (c != '%' || i + 1 >= strTemplate.size()) {
            strResult += c;
            continue;
        }
        const char cSpec = strTemplate[i + 1];
        if (cSpec == 's' || cSpec == 'i') {
            if (itArg != args.end()) {
                strResult.append(itArg->data(), itArg->size());
                ++itArg;
            }
            ++i;
        } else if (cSpec == '%') {
            strResult += '%';
            ++i;
        } else {
            strResult += c;
        }
    }
    return strResult;
}

std::string FormatTableMessage(MessageId id, std::initializer_list<std::string_view> args)
{
    return FormatMessageText(MessageText(id), args);
}

} // namespace pinweave

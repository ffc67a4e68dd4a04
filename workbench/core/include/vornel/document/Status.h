#pragma once
// The one way the core reports how something went, when it is not an exception (file and
// user-input errors are): a status enum m_eStatus, one sentence m_strMessage, and Ok(). The
// result types of a fit and a run (FitResults.h) follow it with enums of their own; CCheck
// is the plain case of a check that passes or refuses with its reason.

#include <string>
#include <utility>

enum class ECheck { Ok, Refused };

struct CCheck {
    ECheck m_eStatus = ECheck::Ok;
    std::string m_strMessage; // Refused: why, a sentence for the user; Ok: empty

    bool Ok() const { return m_eStatus == ECheck::Ok; }
    static CCheck Refuse(std::string strMessage) { return {ECheck::Refused, std::move(strMessage)}; }
};

#include "hardware/wmic.h"

#include <utility>

WMICException::WMICException(std::string message) : m_message(std::move(message)) {}

WMICException::~WMICException() = default;

const char *WMICException::what() const noexcept
{
    return m_message.c_str();
}

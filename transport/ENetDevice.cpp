// The network printer's transport: the command buffer over one TCP
// connection to port 9100 of the target's address.
#include "transport/Device.h"
#include "transport/TcpSender.h"

SendOutcome ENetDevice::Write(const unsigned char* data, size_t length) {
  const TcpSpan span{data, length};
  const TcpResult result = SendTcpExchange(target_.address, kPrinterTcpPort, &span, 1,
                                           target_.connectLimitMs, target_.exchangeLimitMs);
  SendOutcome outcome = result.status == SendStatus::Failed
                            ? FailedOutcome("PO_GSTR_SET_FAIL", result.reason, result.sent)
                            : ConfirmedOutcome(result.sent);
  if (result.status == SendStatus::Unconfirmed) {
    outcome.status = SendStatus::Unconfirmed;
    outcome.reason = result.reason;
  }
  return outcome;
}

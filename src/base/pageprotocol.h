#pragma once
// The names and numbers the pages and the native side share. html/js/protocol.js
// holds the same list for the pages; a test keeps the two in agreement.

namespace PageProtocol {

// Native functions bound for page script, in binding order.
namespace Bound {
inline constexpr char kEMsg[] = "eMsg";
inline constexpr char kGraphicsList[] = "graphicsList";
inline constexpr char kDownDir[] = "downDir";
inline constexpr char kSelectDir[] = "selectDir";
inline constexpr char kIsLogin[] = "isLogin";
inline constexpr char kDown[] = "Down";
inline constexpr char kCountryId[] = "countryID";
inline constexpr char kClick[] = "click";
inline constexpr char kMouseDown[] = "mousedown";
inline constexpr char kMouseMove[] = "mousemove";
inline constexpr char kMouseRelease[] = "mouserelease";
inline constexpr char kMouseHover[] = "mousehover";
inline constexpr char kMouseEnter[] = "mouseenter";
inline constexpr char kMouseLeave[] = "mouseleave";
inline constexpr char kAppType[] = "appType";
// The driver each adapter of "graphicsList" uses now, as JSON text.
inline constexpr char kInstalledDrivers[] = "installedDrivers";
inline constexpr char kOpenVendorPage[] = "openVendorPage";
// Whether the program has a web service: without one the pages offer no
// sign-in and no link that needs it.
inline constexpr char kHasService[] = "hasService";
} // namespace Bound

// Global functions the pages define and the native side calls.
namespace PageFunction {
inline constexpr char kUserLogin[] = "userLoginByCpp";
inline constexpr char kNotifySetting[] = "notifySettingByCpp";
inline constexpr char kScanResult[] = "scanCbkByCpp";
inline constexpr char kSetCountry[] = "setCountry";
inline constexpr char kProgress[] = "progressCbkByCpp";
inline constexpr char kFinish[] = "finishCbkByCpp";
// Called just before the failure report of a redirected download whose
// successor could not start, with that start result.
inline constexpr char kRedirectFailed[] = "redirectFailedByCpp";
// Called after the finish report of a completed download, once its signature
// has been checked: path, verdict (one of Publisher below), signer's name.
inline constexpr char kPublisher[] = "publisherCbkByCpp";
// Called with a driver catalogue newer than the built-in one (JSON text) and
// the day it was taken ("YYYY-MM-DD"), once the page is ready and whenever a
// newer one arrives.
inline constexpr char kCatalogue[] = "catalogueByCpp";
// Called just before the failure report of a download, with why it failed
// (one of FailReason below), so the card can say more than the message.
inline constexpr char kFailReason[] = "failReasonByCpp";
} // namespace PageFunction

// Why a download failed.
namespace FailReason {
inline constexpr char kHttpStatus[] = "httpStatus";
inline constexpr char kClosedEarly[] = "closedEarly";
inline constexpr char kDiskFull[] = "diskFull";
inline constexpr char kNotWritable[] = "notWritable";
inline constexpr char kProxyAuth[] = "proxyAuth";
// The body is not an installer (a login or error page, a compressed body).
inline constexpr char kSomethingElse[] = "somethingElse";
// The file changed on the server since its first part was saved.
inline constexpr char kChanged[] = "changed";
inline constexpr char kEmpty[] = "empty";
// Another size than the catalogue's.
inline constexpr char kWrongSize[] = "wrongSize";
inline constexpr char kBadRedirect[] = "badRedirect";
inline constexpr char kStalled[] = "stalled";
inline constexpr char kNetwork[] = "network";
} // namespace FailReason

// Verdicts of the publisher check.
namespace Publisher {
// Intact, from a certificate the system trusts.
inline constexpr char kSigned[] = "signed";
// Intact, but the certificate does not lead to a trusted root.
inline constexpr char kUntrusted[] = "untrusted";
// The file no longer matches its signature, or the signature is damaged.
inline constexpr char kBroken[] = "broken";
inline constexpr char kUnsigned[] = "unsigned";
// The check could not run.
inline constexpr char kUnchecked[] = "unchecked";
} // namespace Publisher

// Messages of "eMsg".
namespace Message {
inline constexpr char kService[] = "service";
inline constexpr char kTutorial[] = "tutorial";
inline constexpr char kScan[] = "scan";
inline constexpr char kSaveFolder[] = "saveFolder";
inline constexpr char kLoginPage[] = "loginPage";
inline constexpr char kLoaded[] = "loadedjs";
} // namespace Message

// Element names the window acts on.
namespace Element {
inline constexpr char kTitleBar[] = "titleBar";
inline constexpr char kUserIcon[] = "usericonBtn";
inline constexpr char kMinimize[] = "minimizeBtn";
inline constexpr char kClose[] = "closeBtn";
} // namespace Element

// What "Down" answers.
enum StartResult {
    Started = 0,
    AlreadyDownloaded = 1, // the user kept the existing file; it was revealed
    CannotSave = 2,        // the target cannot be opened; a box said why
    BadArguments = 3,      // the page did not pass exactly four arguments
};

// The code of a download's one finish report.
enum FinishCode { Done = 0, Cancelled = 1, Failed = 2 };

// The catalogue format the pages read ("format" of the driver catalogue).
inline constexpr int kCatalogueFormat = 2;

// The country number "countryID" gives for China (Qt's QLocale::China).
inline constexpr int kCountryChina = 44;

} // namespace PageProtocol

#pragma once
// The host's receiver of KavoniController's reports, held weakly by the controller. The two
// initialisation reports are required, the three identification reports optional (empty by
// default).
//
// The controller asks the matching responds… query before it sends each report, so a delegate
// that should not get a report answers false there. Every query answers true by default: a
// delegate that implements a report gets it, and one that leaves an optional report alone gets
// its empty default. Reports arrive on the main queue.
#include <memory>

#include "Foundation/NSError.h"

class KavoniController;

class KavoniControllerDelegate {
public:
    virtual ~KavoniControllerDelegate() = default;

    // The initialisation succeeded.
    virtual void kavoniControllerDidFinishInitializing(const std::shared_ptr<KavoniController>& controller) = 0;
    // The initialisation failed with the error.
    virtual void kavoniController_initializationDidFailWithError(const std::shared_ptr<KavoniController>& controller,
                                                                 const std::shared_ptr<NSError>& error) = 0;
    // The identification ended successfully.
    virtual void kavoniControllerDidFinishIdentification(const std::shared_ptr<KavoniController>& /*controller*/) {}
    // The user cancelled the identification.
    virtual void kavoniControllerCanceledByUser(const std::shared_ptr<KavoniController>& /*controller*/) {}
    // The identification failed with the error.
    virtual void kavoniController_identificationDidFailWithError(const std::shared_ptr<KavoniController>& /*controller*/,
                                                                 const std::shared_ptr<NSError>& /*error*/)
    {
    }

    // Whether the delegate takes each report.
    virtual bool respondsToKavoniControllerDidFinishInitializing() const { return true; }
    virtual bool respondsToKavoniController_initializationDidFailWithError() const { return true; }
    virtual bool respondsToKavoniControllerDidFinishIdentification() const { return true; }
    virtual bool respondsToKavoniControllerCanceledByUser() const { return true; }
    virtual bool respondsToKavoniController_identificationDidFailWithError() const { return true; }
};

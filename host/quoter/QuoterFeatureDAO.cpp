#include "host/quoter/QuoterFeatureDAO.h"

QuoterFeatureDAO* QuoterFeatureDAO::Default() {
    static QuoterFeatureDAO instance;
    return &instance;
}

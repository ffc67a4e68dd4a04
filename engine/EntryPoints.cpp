// The exported entry points of libtarnfit.so. Each runs one fit in the common frame
// (EntryFrame.h) through the function its family exposes.

#include "EntryFrame.h"
#include "HotFits.h"
#include "LineHot.h"
#include "RegressionFits.h"
#include "SingleCurveFits.h"
#include "tarnfit/tarnfit.h"

using namespace tarnfit;

int TARNFIT(void) {
    RecordNothingDone();
    return 0;
}

int KIVHOTHALVEKALL(void) { return RunEntryPoint("KIVHOTHALVEKALL", nullptr); }

// Multiple linear regression (RegressionFits.h).
int KIVHENZSPITTMNK(void) { return RunRegressionFit(ERegressionFit::HenzSpitt); }
int KIVSENDARMNK(void) { return RunRegressionFit(ERegressionFit::Sendar); }
int KIVLINEHOT___(void) { return RunRegressionFit(ERegressionFit::Linear); }
int KIVFORGEMNK(void) { return RunRegressionFit(ERegressionFit::Forge); }

// Weighted normal equations (HotFits.h).
int KIVHOTPRAVEL1(void) { return RunHotFit(EHotFit::Pravel1); }
int KIVHOTHALVEK1(void) { return RunHotFit(EHotFit::Halvek1); }
int KIVHOTHALVEK2(void) { return RunHotFit(EHotFit::Halvek2); }
int KIVHOTHALVEK3(void) { return RunHotFit(EHotFit::Halvek3); }
int KIVHOTHALVEK4(void) { return RunHotFit(EHotFit::Halvek4); }
int KIVHOTHALVEK5(void) { return RunHotFit(EHotFit::Halvek5); }
int KIVHOTHALVEK6(void) { return RunHotFit(EHotFit::Halvek6); }
int KIVHOTGRIDAN(void) { return RunHotFit(EHotFit::Gridan); }

// Laws of the strain alone (SingleCurveFits.h).
int KIVCOOLEXP2(void) { return RunSingleCurveFit(ESingleCurveFit::CoolExp2); }
int KIVCOOLPOLY1(void) { return RunSingleCurveFit(ESingleCurveFit::CoolPoly1); }
int KIVCOOLPOLY2(void) { return RunSingleCurveFit(ESingleCurveFit::CoolPoly2); }
int KIVCOOLPOLY3(void) { return RunSingleCurveFit(ESingleCurveFit::CoolPoly3); }
int KIVCOOLPOLY4(void) { return RunSingleCurveFit(ESingleCurveFit::CoolPoly4); }
int KIVCOOLPOLY5(void) { return RunSingleCurveFit(ESingleCurveFit::CoolPoly5); }
int KIVCOOLPOLY6(void) { return RunSingleCurveFit(ESingleCurveFit::CoolPoly6); }
int KIVCOOL3(void) { return RunSingleCurveFit(ESingleCurveFit::Cool3); }

// The state-variable law (LineHot.h).
int KIVLINEHOT(void) { return RunLineHot(); }

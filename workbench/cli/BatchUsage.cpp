#include "BatchMode.h"

std::string BatchUsage() {
    return R"(Usage: vornel --fit MODEL [--name NAME] [--curve FILE T H]... [--curves LIST] [--add FILE]...
              [--profile FILE] [--write-curves FOLDER] [--open FILE.mat]
              [--refine] [--report] [--validate] [--plot FILE [--plot-view VIEW]]
              [--surface-temperature T] [--lock-wait S]
              [--melt-temperature T [--reference-temperature T] [--reference-rate H]]
              [--export FORMAT FILE]... [--export-id N] [--export-strains MAX:N]
              [--export-rates R1,R2,...] [--export-temperatures T1,T2,...]
              [--export-rate R] [--units SYSTEM] [--elastic E,NU] [--density RHO]
              [--heat-fraction F]
              [--map FILE] [--map-csv FILE] [--map-strains E1,E2,...]
              [--map-source law|data]
       vornel --help

Fits a flow-stress model to measured flow curves and writes the results to the
current folder, as a fit in the workbench window does:
  temp.mat    the exchange file with the engine
  progr.f90   the fitted law as the Fortran 90 subroutine CalcKiv(H,Eps,t,Ks)
  visual.tmp  the fitted stress surface for the 3D viewer orbiq, at 1000 deg C
              when that lies within the measured temperatures, else at their
              middle (the error stream says so)
  NAME.mat    the material file: the curves (resampled to 30 points each by the
              first fit), the model, its coefficients and errors

Options:
  --fit MODEL        the model 1..21, or "best": fit models 1, 2, 3, 4, 7, 9, 10,
                     11, 12, 14, 15, 16, 17 and 18 in turn and keep the one with the
                     smallest maximum error (as the Optimization button does);
                     model 19 is the strain-compensated hyperbolic-sine law, model
                     20 the Johnson-Cook law, model 21 model 19's law corrected by
                     a smooth tensor spline whose smoothing is chosen by leaving
                     out each condition in turn, all three fitted on the measured
                     stresses
  --curve FILE T H   add the experiment data file FILE measured at temperature T
                     (deg C, -200..2600) and strain rate H (1/s, 0..10000);
                     may be repeated
  --curves LIST      add every curve of the text file LIST, one "FILE T H" per
                     line; blank lines and lines starting with # are skipped and
                     FILE is relative to the folder of LIST; after H a line may
                     give the curve values key=value (height0, diameter0,
                     height1, diameter_top, diameter_max in mm, friction_m)
  --add FILE         add FILE with the temperature and strain rate found for it:
                     in a conditions list in its folder or the one above, at the
                     end of its name (NAME_T_H.asc), or in its header lines (T=,
                     t=, Temp=, H=, phi°=, phip=, rate=); a file whose conditions
                     are not found is refused; may be repeated
  --profile FILE     read and prepare every file with the import profile FILE
                     (key = value lines: the columns of column files, their units,
                     the specimen, and the preparation: segment, foot,
                     friction_m, adiabatic, repeats; see the README); a column
                     file (more than three numbers a row) needs one
  --write-curves FOLDER
                     write every curve, as read and prepared and before the fit,
                     into FOLDER as an experiment data file (t= and H= in its
                     first header line) with the list curves.txt; without --fit
                     nothing else is done
  --open FILE.mat    start from a saved material instead of an empty one; curves
                     given with --curve or --curves are added to it
  --name NAME        the material's name; its file is NAME.mat (default: the
                     opened file, else "material.mat")
  --refine           refine the laws fitted on the logarithm of the stress
                     (models 9, 13, 14, 17, 18) by least squares on the measured
                     stresses; with "best" every such candidate is refined,
                     models 19 and 21 compete too, and the candidates are ranked
                     by their RMS (below) instead
  --report           after the errors, "RMS= ", "MARE= " (mean absolute relative
                     error, %) and "MaxAbs= " over the measured points (every
                     prepared point but the first of each curve), then per curve
                     "curve k t= T H= H RMS= v MaxAbs= v at E= strain", then
                     for models 19 and 21 and the refined models the 95 %
                     confidence interval of each fitted coefficient "CI A<k>=
                     low high" (of model 21 those of its backbone A1..A24; its
                     spline's coefficients have none)
                     and "IllDetermined= A<i> A<j>" for each pair of them
                     correlated beyond 0.999 (or "IllDetermined= none"), then
                     "prep curve k: <record>" for each curve read or prepared
                     with a profile (its source, profile and every step), then
                     "LawCheck= ok" or "LawCheck= N findings" over the grid of
                     the tables (--export); then, also without a fit, per curve
                     "peak curve k: stress= v strain= v" (or "peak curve k: no
                     peak") and "steady curve k: stress= v" (or "steady curve
                     k: none"), then the activation energy from the peak
                     stresses, "beta/n1: Q= v kJ/mol n= v alpha= v lnA= v" with
                     alpha = beta/n1 and "Q= v kJ/mol n= v alpha= v lnA= v"
                     with the alpha that fits ln H best, and after model 19
                     "Q19= v kJ/mol at E= v", its Q at the peaks' mean strain
  --validate         fit the material without each curve in turn and measure
                     that curve: "HeldOutRMS mean= v max= v"
  --plot FILE        also draw the plot of the material (measured points and
                     fitted curves of all curves, 1200 x 800, as the window's
                     Graf shows it) into FILE: an SVG drawing when its name ends
                     in .svg, else a PNG image (the name must end in .png)
  --lock-wait S      how long to wait, in seconds, when another run uses the
                     current folder (default 60): runs in one folder take turns,
                     since each writes and reads its temp.mat; after S seconds
                     the run ends with status 2 without doing anything
  --surface-temperature T
                     write visual.tmp at temperature T (deg C, 0..1600) instead;
                     a T outside the measured temperatures is said to be
                     extrapolated
  --plot-view VIEW   the picture --plot draws: "single" (the default, as above),
                     "temperatures" (a panel per measured temperature, curves
                     coloured by strain rate, with a legend of the rates) or
                     "deviations" (fitted minus measured stress over strain,
                     coloured by temperature, with a zero line)
  --melt-temperature T
                     the melting temperature tm (deg C) of the Johnson-Cook law
                     (model 20), above the measured temperatures; needed for it
  --reference-temperature T
                     its reference temperature tr (default: the lowest measured)
  --reference-rate H its reference strain rate H0 in 1/s (default: the lowest
                     measured above 0)
  --export FORMAT FILE
                     also write the fitted law for a forming solver into FILE;
                     may be repeated. FORMAT is one of
                       uhard       Abaqus/Standard user subroutine UHARD (Fortran)
                       vuhard      Abaqus/Explicit user subroutine VUHARD (Fortran)
                       abaqus      Abaqus *MATERIAL deck: *ELASTIC, *DENSITY,
                                   *PLASTIC tables, one per strain rate (model
                                   20: Abaqus's Johnson-Cook plasticity)
                       calculix    CalculiX *MATERIAL deck, the law at the one
                                   strain rate --export-rate
                       lsdyna      LS-DYNA *MAT_024 cards (model 20: *MAT_098),
                                   one per temperature, on keyword tables
                       openradioss OpenRadioss /MAT/LAW103 of models 9, 14 and
                                   18 (with A7 = A8 = 0)
                       csv         comma-separated table of the law
                     The subroutines and native cards compute the law; the
                     tables hold it on a grid of the measured temperatures and
                     strain rates and 41 strains from 0 to the largest measured,
                     refined where the law bends so that linear interpolation
                     stays within 0.5 % of it. The law check (positive, finite,
                     not rising with temperature, not falling with strain rate)
                     names each property the law fails on the error stream.
  --export-id N      first id of the LS-DYNA materials, tables and curves and of
                     the OpenRadioss material (default 1000)
  --export-strains MAX:N
                     table strains 0 and N equal steps up to MAX (points are
                     added between them where the law bends)
  --export-rates R1,R2,...
                     table strain rates (1/s) instead of the measured ones
  --export-temperatures T1,T2,...
                     table temperatures (deg C) instead of the measured ones
  --export-rate R    the strain rate (1/s) of the CalculiX deck
  --units SYSTEM     the unit system of the exports: MPa-mm-s (the default; the
                     stresses in the data's units, taken as MPa), Pa-m-s or
                     GPa-mm-ms, with -K after it for temperatures in K
  --elastic E,NU     elastic modulus and Poisson's ratio of the decks, in their
                     units (default: placeholders the solver stops on)
  --density RHO      density of the decks, in their units (default: a
                     placeholder)
  --heat-fraction F  inelastic heat fraction 0..1 of the decks (default: none)
  --map FILE         also draw the processing maps of the dynamic materials
                     model into FILE (an SVG drawing when its name ends in .svg,
                     else a PNG image, .png), a panel per strain: the efficiency
                     eta = 2m/(m+1) in % as filled contours with labelled lines,
                     the unstable region xi < 0 hatched, the measured conditions
                     marked
  --map-csv FILE     write the maps' grids into FILE as comma-separated text:
                     strain, temperature, strain rate, m, eta, xi per point
  --map-strains E1,E2,...
                     the strains of the maps (default: half the largest strain
                     every curve reaches)
  --map-source SOURCE
                     "law" (the default): m = d ln s / d ln H from the fitted
                     law's exact derivative; "data": from the measured curves,
                     ln s fitted by a cubic in ln H at each temperature
  --help             this text

Experiment data files have three header lines, then rows "n strain stress".
Other column files (a dilatometer's or simulator's export, CSV) are read with
--profile.

Output: "Model: <label>", one line "A<n> = <value>" per coefficient, then
"ErrorSr= <value>" and "ErrorMax= <value>", then the lines of --report and
--validate, values with 17 significant digits.
Everything else (why a fit was refused, the conditions the numerical kernels
report, what the refinement did, files that could not be written) goes to the
error stream.
Exit status: 0 after a fit; 1 when the fit ends without coefficients; 2 for a
usage or input error, when a file of the run cannot be written (the others
are written all the same), or when another run kept the folder longer than
--lock-wait allows.
)";
}

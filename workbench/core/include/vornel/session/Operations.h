#pragma once
// The workbench's commands on the current material: what New material, Open File, Add
// File, the work window (model list, curve list, Calc, Optimization), Save and Save As do
// to g_pMaterial and g_nStage. The window and the batch mode run these and nothing else,
// so both behave alike.
//
// Every operation either completes or throws; when it throws, g_pMaterial (the pointer and
// the material it holds) and g_nStage are exactly as they were before the call. What it
// throws is a std::runtime_error whose what() is a sentence for a message box:
//   CFileError (formats/FileError.h)  a file that cannot be read or written, named with the
//                                     reason: "<path>: <reason>";
//   CInputError (document/InputRanges.h) a value outside its range or a curve that does not
//                                     exist, naming the value.
// Operations that need a material throw CInputError when g_pMaterial is null.
//
// Which command is enabled at which stage is the window's business (Stage.h); the
// operations set the stage the command table gives and do not refuse by stage.
//
// Work folder. The files of a run ("temp.mat", "progr.f90", "visual.tmp") and a material
// file with a relative name live in the material's work folder, CMaterial::m_strWorkFolder:
//   - the batch mode keeps the process's current folder (an empty work folder);
//   - the window passes its start-up folder to NewMaterial, and the material file's folder
//     becomes the work folder when the material gets one (OpenMaterial, SaveMaterialAs).
// CMaterial::WorkPath() resolves a name against it.
//
// One thread: the fitting engine's state, its message sink and the process's current
// folder (the engine reads "temp.mat" from it, so a run enters the work folder while the
// engine runs) are process-wide. Call these operations from one thread only, one at a
// time (the window's user-interface thread).

#include "vornel/document/InputRanges.h"
#include "vornel/run/Approximation.h"
#include "vornel/intake/CurveImport.h"
#include "vornel/intake/Import.h"
#include "vornel/document/Material.h"
#include "vornel/session/Stage.h"

#include <functional>
#include <stdexcept>
#include <string>
#include <vector>

// New material: a fresh CMaterial named strName replaces g_pMaterial; its file is
// strName + ".mat" (relative, so in the work folder), its work folder strWorkFolder (empty:
// the process's current folder; a relative folder is made absolute). Stage 1. The name is
// taken as typed.
void NewMaterial(const std::string& strName, const std::string& strWorkFolder = {});

// Open File: reads the material file strPath into a fresh CMaterial, which replaces
// g_pMaterial only when the whole file was read and validated. Its m_strFileName is the
// file's absolute path and its work folder the file's folder (first form) or strWorkFolder
// (second form; empty: the current folder, m_strFileName then stays as given). Both this
// and New material start an empty undo history (History.h). The name is
// empty, as the file does not store it; m_dTemp3d is the temperature a run would draw its
// surface at (RunSurfaceTemperature). Stage 3. Throws CFileError naming the file.
void OpenMaterial(const std::string& strPath);
void OpenMaterial(const std::string& strPath, const std::string& strWorkFolder);

// The material's name strName and its file strName + ".mat" (relative, so in the work
// folder), as New material sets them; for naming an opened material before it is saved.
void NameMaterial(const std::string& strName);

// Model list: m_nFunction = nModel (a number of the catalogue), the previous fit cleared (ClearFit), stage 3.
// Throws CInputError for any other number.
void ChooseModel(int nModel);

// Add File: checks the conditions (CheckCurveConditions), then appends the experiment data
// file strPath as a new curve at temperature dTemp (deg C) and strain rate dRate (1/s);
// stage 2. Returns what reading the file gave. See AddCurveFromFile (Import.h) for the
// file, its refusal when it yields no point, and the 200-curve limit. A curve added to a
// material whose curves are prepared (a fitted one) is prepared as they are, by the engine,
// before it is added (PrepareCurves, fit/ModelFit.h), and the summary says so
// (m_nPrepared): a fit never mixes raw records with prepared curves.
CImportSummary AddCurve(const std::string& strPath, double dTemp, double dRate);

// Add File of several files at once: every curve or none. Checks every curve's conditions
// (CInputError "<file>: temperature ... is outside ...") and the room left in the material,
// reads and prepares every file with pProfile (ImportCurves, CurveImport.h; nullptr: the
// experiment data format only, as AddCurveFromFile reads it), and only then appends all of
// them in order; stage 2. Returns what reading each file gave and the lines for the user
// (m_aCurves is empty: the curves are in the material). When one file fails, it is named in
// what is thrown and the material and the stage stay as they were. An empty list changes
// nothing.
CImportedCurves AddCurves(const std::vector<CCurveSpec>& aCurves, const CImportProfile* pProfile = nullptr);

// File > Export curves... and --write-curves: every curve as it stands, as an experiment
// data file in strFolder (WriteCurveFiles, CurveImport.h). Returns the paths written.
std::vector<std::string> ExportCurves(const std::string& strFolder);

// Sets the temperature dTemp (deg C) and strain rate dRate (1/s) of curve nCurve (1-based)
// and of its every point (a prepared curve's time becomes strain / rate, as the
// preparation sets it; a label made from the conditions is made anew), clears the fit
// (ClearFit) and sets stage 2, as removing a curve does. Throws CInputError for a curve
// that does not exist or conditions outside their ranges; the material is then unchanged.
void SetCurveConditions(int nCurve, double dTemp, double dRate);

// Leaves curve nCurve (1-based) out of the fit (bLeftOut) or takes it back: the curve stays
// in the material; a change clears the fit (ClearFit) and sets stage 2, as correcting its
// conditions does. Throws CInputError for a curve that does not exist.
//
// Calc and the Optimization of a material with curves left out fit a material of the other
// curves alone (the engine fits what it is given), then take its law, errors, intervals
// and fitted curves back into their slots; the left-out curves are prepared as the run
// prepared the others and get the law's stresses; the run's files are written from the
// whole material. With every curve left out they throw CInputError and change nothing.
void LeaveOutCurve(int nCurve, bool bLeftOut);
// The curves a fit uses: those not left out.
int CurvesFittedOn(const CMaterial& material);

// Removes curve nCurve (1-based, 1..m_nCurves): the curves above it move down one slot in
// order, the freed last slot becomes an empty curve, m_nPoints loses the curve's points,
// the fit is cleared (ClearFit, which also selects all curves), the prepared flag stays,
// stage 2. Throws CInputError naming the number when there is no such curve.
void RemoveCurve(int nCurve);

// Curve list: m_nSelectedCurve = nCurve (0 = all curves, k = the k-th curve, up to
// m_nCurves). Throws CInputError for any other number.
void SelectCurve(int nCurve);

// Save: writes the material file (WriteMaterialFile(1)) into the work folder when its name
// is relative. Throws CFileError; the file then keeps its previous content.
void SaveMaterial();

// Save As: writes the material to strPath; on success m_strFileName becomes its absolute
// path and the work folder its folder. Throws CFileError when the file cannot be written;
// the material, its file name and work folder then stay as they were.
void SaveMaterialAs(const std::string& strPath);

// Calc: RunApproximation (Approximation.h) on g_pMaterial with options (refined or not);
// stage 3 when the fit delivered coefficients, else unchanged. The whole run holds the work
// folder's lock (FolderLock.h). Throws CFolderBusy when another run holds it (nothing has
// changed then), and otherwise only when the exchange file cannot be written or read back
// (the material then holds what it held before the run); the failure of an output file is
// in the result.
CRunResult Calc(const CFitOptions& options = {});

// Optimization: FindBestModel (calling onCandidate after each candidate, when given), then
// what Calc does with the chosen model, both with options, under one hold of the work
// folder's lock as Calc. The result holds the run and every candidate's report; when every
// candidate was refused, the run's refusal says so.
COptimizationResult Optimization(const CandidateCallback& onCandidate = {}, const CFitOptions& options = {});

// The material with the law of an Optimization's candidate in place of its own (model,
// coefficients, errors, intervals; the points' fitted stresses the law's): what selecting
// the candidate shows, without fitting again. The candidate must have been fitted on these
// curves. Throws CInputError for a refused candidate.
CMaterial WithCandidateLaw(const CMaterial& material, const CCandidateReport& candidate);
// "Use this law": WithCandidateLaw on g_pMaterial; stage 3.
void UseCandidateLaw(const CCandidateReport& candidate);

// 3d visualization: checks dTemp (CheckTemp3d), stores it in m_dTemp3d and writes the
// surface file "visual.tmp" in the work folder for that temperature. Returns whether it
// was written (not with no measured points); throws CFileError when it cannot be written.
// The window then starts the viewer in the work folder.
CSurfaceExportStatus ExportSurface3D(double dTemp);

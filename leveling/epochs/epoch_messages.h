#pragma once
// The Polish texts of the comparison of epochs (przemieszczenia.osn and its boxes), as named
// constants: UTF-8 literals, converted to Windows-1250 where they are written.

namespace kvel::epochs::messages {

// Before the messages of one epoch (its number and folder follow).
inline constexpr char kEpochPrefix[] = "EPOKA ";
// An epoch whose observation files hold no observation.
inline constexpr char kNoObservations[] = "*** BRAK OBSERWACJI W EPOCE";
// An epoch whose network falls apart: a free network needs one connected whole.
inline constexpr char kSeparateParts[] = "*** SIEĆ EPOKI NIE JEST SPÓJNA, LICZBA UKŁADÓW ODOSOBNIONYCH: ";
// An epoch whose normal equations are singular or overflow although the network is connected.
inline constexpr char kSingularEpoch[] = "*** UKŁAD RÓWNAŃ EPOKI OSOBLIWY LUB POZA ZAKRESEM LICZB";
// Two epochs without a reference point in common: nothing ties their heights together.
inline constexpr char kNoCommonReference[] = "*** EPOKI NIE MAJĄ WSPÓLNEGO PUNKTU ODNIESIENIA: ";
// The box after every analysis.
inline constexpr char kEndOfAnalysis[] = " KONIEC ANALIZY PRZEMIESZCZEŃ ";

}  // namespace kvel::epochs::messages
